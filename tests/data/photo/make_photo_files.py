"""Makes the photo test files with Pillow: a 32 x 16 picture of four solid
8 x 8-aligned colour blocks stored under each EXIF Orientation (the stored
pixels turned so that the Orientation brings them upright), and the same
picture as PNG and TIFF carrying an ICC profile (and EXIF for PNG).
Run from this folder: python3 make_photo_files.py"""

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
