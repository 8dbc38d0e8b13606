"""Makes the photo test files with Pillow: a 32 x 16 picture of four solid
8 x 8-aligned colour blocks stored under each EXIF Orientation (the stored
pixels turned so that the Orientation brings them upright), and the same
picture as PNG and TIFF carrying an ICC profile (and EXIF for PNG), and as
TIFF files with an Exif directory, which ExifTool adds (Pillow writes none
into a TIFF): little-endian under Orientation 6, big-endian (tiffcp -B)
under Orientation 1.
Run from this folder: python3 make_photo_files.py"""

import subprocess

import numpy as np
from PIL import Image, ImageCms

# Upright picture: top-left red, top-right green, bottom-left blue, bottom-right white.
picture = np.zeros((16, 32, 3), np.uint8)
picture[:8, :16] = (255, 0, 0)
picture[:8, 16:] = (0, 255, 0)
picture[8:, :16] = (0, 0, 255)
picture[8:, 16:] = (255, 255, 255)
upright = Image.fromarray(picture)

# What brings each Orientation's stored pixels upright, undone.
STORE = {
    1: None,
    2: Image.Transpose.FLIP_LEFT_RIGHT,
    3: Image.Transpose.ROTATE_180,
    4: Image.Transpose.FLIP_TOP_BOTTOM,
    5: Image.Transpose.TRANSPOSE,
    6: Image.Transpose.ROTATE_90,
    7: Image.Transpose.TRANSVERSE,
    8: Image.Transpose.ROTATE_270,
}

icc = ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB")).tobytes()


def exif(orientation):
    e = Image.Exif()
    e[0x0112] = orientation
    e[0x010F] = "Velmora test camera"
    return e.tobytes()


for orientation, step in STORE.items():
    stored = upright if step is None else upright.transpose(step)
    stored.save(f"orient_{orientation}.jpg", quality=95, subsampling=0, exif=exif(orientation), icc_profile=icc)
upright.save("icc_exif.png", exif=exif(1), icc_profile=icc)
upright.save("icc.tif", icc_profile=icc)

# Camera tags in IFD0 and the Exif directory's usual types: text, rationals,
# shorts, an undefined version, four rationals of lens focal and aperture range (tag 0xA432), a
# comment and a subject area of counted length, one-byte undefined values.
EXIF_DIRECTORY = ["-Model=Velmora model", "-ModifyDate=2024:05:06 07:08:09", "-DateTimeOriginal=2024:05:06 07:08:09",
                  "-ExposureTime=1/125", "-FNumber=2.8", "-ISO=200", "-ExifVersion=0232",
                  "-LensInfo=24 70 2.8 2.8", "-LensModel=Velmora lens", "-ExposureCompensation=-1/3",
                  "-UserComment=Velmora comment", "-SubjectArea=10 20 30 40", "-FileSource#=3", "-SceneType#=1"]


def with_exif_directory(name):
    subprocess.run(["exiftool", "-q", "-overwrite_original", *EXIF_DIRECTORY, name], check=True)


upright.transpose(STORE[6]).save("exif_6.tif", exif=exif(6), icc_profile=icc)
with_exif_directory("exif_6.tif")
upright.save("exif_mm_le.tif", exif=exif(1), icc_profile=icc)
subprocess.run(["tiffcp", "-B", "exif_mm_le.tif", "exif_mm.tif"], check=True)
subprocess.run(["rm", "exif_mm_le.tif"], check=True)
with_exif_directory("exif_mm.tif")


def tag_at(data, directory, tag):
    """Where `tag`'s entry stands in the little-endian directory at `directory`."""
    count = int.from_bytes(data[directory:directory + 2], "little")
    for at in range(directory + 2, directory + 2 + 12 * count, 12):
        if int.from_bytes(data[at:at + 2], "little") == tag:
            return at
    raise KeyError(tag)


# Damaged: the Exif directory's ExposureTime value placed past the end of the file.
damaged = bytearray(open("exif_6.tif", "rb").read())
pointer = tag_at(damaged, 8, 0x8769) + 8
exposure = tag_at(damaged, int.from_bytes(damaged[pointer:pointer + 4], "little"), 0x829A) + 8
damaged[exposure:exposure + 4] = (0x7FFFFFF0).to_bytes(4, "little")
open("exif_value_past_end.tif", "wb").write(damaged)
