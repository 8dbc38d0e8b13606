"""velmora for photo and numpy users, against Pillow on files Pillow made:
EXIF orientation, colour profiles and EXIF kept, numpy conventions, the
editing calls, files in memory, depths fitted on save, and an image larger
than the memory limit written block by block."""

import io
import json
import numbers
import os
import shutil
import subprocess
import sys

import numpy as np
import pytest
from PIL import Image as Pillow
from PIL import ImageOps

import velmora
from conftest import DATA


def photo(name):
    return os.path.join(DATA, "photo", name)


def close(a, b, tolerance):
    assert a.shape == b.shape
    assert np.abs(a.astype(int) - b.astype(int)).max() <= tolerance


@pytest.mark.parametrize("orientation", range(1, 9))
def test_orientations_read_as_pillow_turns_them(orientation):
    path = photo(f"orient_{orientation}.jpg")
    with velmora.open(path) as image:
        assert image.orientation == orientation
        close(np.asarray(image), np.asarray(ImageOps.exif_transpose(Pillow.open(path))), 3)
        assert Pillow.open(io.BytesIO(_saved(image, "jpg"))).getexif()[0x0112] == 1
    stored = velmora.open(path, auto_orient=False)
    close(np.asarray(stored), np.asarray(Pillow.open(path)), 3)
    assert stored.exif == Pillow.open(path).info["exif"][6:]


def _saved(image, format, **options):
    out = io.BytesIO()
    image.save(out, format=format, **options)
    return out.getvalue()


def _same_values(got, want):
    """EXIF values alike: rationals libtiff keeps as floats within 1e-6."""
    if isinstance(want, tuple):
        return isinstance(got, tuple) and len(got) == len(want) and all(map(_same_values, got, want))
    if isinstance(want, numbers.Real):
        return abs(float(got) - float(want)) <= 1e-6 * max(1.0, abs(float(want)))
    return got == want


def _expect_exif_like(got, want):
    for tag in (0x010F, 0x0110, 0x0132):  # Make, Model, DateTime
        assert got.get(tag) == want.get(tag), hex(tag)
    assert got.get(0x0112) == 1
    want_directory, got_directory = want.get_ifd(0x8769), got.get_ifd(0x8769)
    for tag, value in want_directory.items():
        assert _same_values(got_directory.get(tag), value), hex(tag)


@pytest.mark.parametrize("source", ["orient_6.jpg", "icc_exif.png", "icc.tif", "exif_6.tif", "exif_mm.tif"])
@pytest.mark.parametrize("format", ["jpg", "png", "tif", "gif"])
def test_metadata_travels_into_jpeg_png_and_tiff(source, format):
    image = velmora.open(photo(source))
    pillow = Pillow.open(photo(source))
    assert image.icc_profile == pillow.info["icc_profile"]
    saved = Pillow.open(io.BytesIO(_saved(image, format)))
    assert saved.info.get("icc_profile") == (image.icc_profile if format != "gif" else None)
    has_exif = image.exif is not None and format in ("jpg", "png", "tif")
    assert (saved.getexif().get(0x010F) == "Velmora test camera") == has_exif
    assert saved.getexif().get(0x0112) in ((1,) if has_exif else (None,))
    if has_exif:
        _expect_exif_like(saved.getexif(), pillow.getexif())
    image.icc_profile = None
    image.exif = None
    stripped = Pillow.open(io.BytesIO(_saved(image, format)))
    assert "icc_profile" not in stripped.info and 0x010F not in stripped.getexif()


@pytest.mark.parametrize("source, stored", [("exif_6.tif", 6), ("exif_mm.tif", 1)])
def test_tiff_exif_directory_is_read_as_pillow_reads_it(source, stored):
    pillow = Pillow.open(photo(source)).getexif()
    upright = velmora.open(photo(source))
    assert upright.orientation == stored and upright.warning is None
    np.testing.assert_array_equal(np.asarray(upright), np.asarray(Pillow.open(photo("icc.tif"))))  # the upright picture
    _expect_exif_like(_exif(upright.exif), pillow)
    as_stored = _exif(velmora.open(photo(source), auto_orient=False).exif)
    assert as_stored[0x0112] == stored
    assert dict(as_stored.get_ifd(0x8769)) == dict(pillow.get_ifd(0x8769))  # copied value for value


def _exif(block):
    exif = Pillow.Exif()
    exif.load(block)
    return exif


def test_damaged_tiff_exif_directory_is_dropped_with_a_warning():
    image = velmora.open(photo("exif_value_past_end.tif"))
    assert image.exif is None and image.warning
    np.testing.assert_array_equal(np.asarray(image), np.asarray(velmora.open(photo("exif_6.tif"))))


@pytest.mark.skipif(not shutil.which("exiftool"), reason="exiftool not installed")
def test_exiftool_reads_the_exif_directory_of_a_saved_tiff(tmp_path):
    velmora.open(photo("exif_6.tif")).save(tmp_path / "out.tif")
    found = json.loads(subprocess.run(["exiftool", "-j", "-G1", "-n", str(tmp_path / "out.tif")],
                                      capture_output=True, check=True).stdout)[0]
    assert found["IFD0:Make"] == "Velmora test camera" and found["IFD0:Orientation"] == 1
    assert found["ExifIFD:ISO"] == 200 and found["ExifIFD:LensModel"] == "Velmora lens"
    assert abs(found["ExifIFD:ExposureTime"] - 1 / 125) < 1e-9


NUMPY_FILES = ["png/basn0g08.png", "png/basn0g01.png", "png/basn3p08.png", "png/basn2c08.png",
               "png/basn6a08.png", "png/basn3p04.png", "jpg/cjpeg_grey.jpg", "bmp/pal8.bmp"]


@pytest.mark.parametrize("name", NUMPY_FILES)
def test_asarray_gives_what_pillow_gives(name):
    path = os.path.join(DATA, name)
    got, want = np.asarray(velmora.open(path)), np.asarray(Pillow.open(path))
    assert got.dtype == want.dtype and got.shape == want.shape
    close(got, want, 1 if name.startswith("jpg/") else 0)


def test_invert_of_a_grey_image_is_255_minus_it():
    image = velmora.open(os.path.join(DATA, "png/basn0g08.png"))
    before = np.asarray(image)
    image.invert()
    np.testing.assert_array_equal(np.asarray(image), 255 - before)


def test_editing_calls_give_new_images():
    array = np.arange(30 * 40 * 3, dtype=np.uint32).reshape(30, 40, 3).astype(np.uint8)
    image = velmora.from_numpy(array)
    np.testing.assert_array_equal(np.asarray(image.crop(5, 7, 20, 10)), array[7:17, 5:25])
    assert np.asarray(image.resize(17, 9)).shape == (9, 17, 3)
    assert np.asarray(image.thumbnail(20)).shape == (15, 20, 3)
    grey = velmora.from_numpy(array[:, :, 1])
    assert np.asarray(grey.resize(17, 9)).shape == (9, 17) and np.asarray(grey.thumbnail(20)).shape == (15, 20)
    copy = image.copy()
    copy.invert()
    np.testing.assert_array_equal(np.asarray(image), array)
    for turn, expected in [(90, np.rot90(array, -1)), (270, np.rot90(array, 1)), (180, array[::-1, ::-1]),
                           ("half", array[::-1, ::-1])]:
        turned = image.copy()
        turned.rotate(turn)
        np.testing.assert_array_equal(np.asarray(turned), expected, err_msg=str(turn))
    for bad in [(-1, 0, 5, 5), (0, 0, 0, 5), (30, 0, 20, 5)]:
        with pytest.raises(velmora.Error) as refused:
            image.crop(*bad)
        assert refused.value.code == "invalid_argument"
    with pytest.raises(ValueError):
        image.rotate(45)


def test_resize_is_lanczos_as_pillows():
    path = os.path.join(DATA, "jpg/testorig.jpg")
    pillow = Pillow.open(path).convert("RGB")
    size = (pillow.width // 3, pillow.height // 3)
    reference = np.asarray(pillow.resize(size, Pillow.BOX)).astype(float)  # areas averaged
    ours = np.asarray(velmora.open(path).resize(*size)).astype(float)
    theirs = np.asarray(pillow.resize(size, Pillow.LANCZOS)).astype(float)

    def psnr(a, b):
        return 10 * np.log10(255 ** 2 / np.mean((a - b) ** 2))

    assert psnr(ours, theirs) >= 35
    assert psnr(ours, reference) >= psnr(theirs, reference) - 2


def test_contents_and_file_objects(tmp_path):
    path = photo("icc_exif.png")
    data = open(path, "rb").read()
    want = np.asarray(velmora.open(path))
    for source in (data, bytearray(data), memoryview(data), io.BytesIO(data), open(path, "rb")):
        np.testing.assert_array_equal(np.asarray(velmora.open(source)), want)
    with pytest.raises(velmora.Error) as missing:
        velmora.open(b"no such photo.png")  # bytes without a NUL byte are a path
    assert missing.value.code == "file_not_found"
    with pytest.raises(ValueError):
        velmora.open(path).save(io.BytesIO())


def test_save_fits_depths_on_a_copy(tmp_path):
    image = velmora.open(photo("icc.tif"))
    image.save(tmp_path / "a.gif")
    assert image.bit_count == 24
    close(np.asarray(Pillow.open(tmp_path / "a.gif").convert("RGB")), np.asarray(image), 48)
    with pytest.raises(velmora.Error) as refused:
        image.save(tmp_path / "b.gif", fit=False)
    assert refused.value.code == "unsupported"
    assert not (tmp_path / "b.gif").exists()


WRITER = """
import sys, numpy as np, velmora
velmora.set_virtual_dir(sys.argv[1])
velmora.set_memory_limit(32 << 20)
image = velmora.new(6000, 4000)
assert image.in_page_file
band = np.zeros((250, 6000, 3), np.uint8)
for top in range(0, 4000, 250):
    band[:] = top % 256
    image.write_rows(top, band)
image.save(sys.argv[1] + "/big.png", level=1)
# The peak of this program's own memory (getrusage's would count the parent's at fork).
print(next(line.split()[1] for line in open("/proc/self/status") if line.startswith("VmHWM:")))
"""


def test_an_image_larger_than_the_limit_is_written_block_by_block(tmp_path):
    done = subprocess.run([sys.executable, "-c", WRITER, str(tmp_path)], capture_output=True, text=True,
                          env=dict(os.environ), check=True)
    assert int(done.stdout) <= 160 * 1024, f"peak resident {int(done.stdout) // 1024} MB"
    written = Pillow.open(tmp_path / "big.png")
    assert written.size == (6000, 4000)
    assert written.getpixel((0, 3999)) == (3750 % 256,) * 3


def _public(owner):
    return [(name, getattr(owner, name)) for name in dir(owner) if not name.startswith("_")]


@pytest.mark.parametrize("owner", [velmora, velmora.Image, velmora.GeoTIFF, velmora.Format, velmora.Raster,
                                   velmora.RasterWriter, velmora.ValueImage], ids=lambda o: o.__name__)
def test_help_says_what_each_call_does(owner):
    # pybind11 puts the signature first: a docstring is more than that line.
    for name, value in _public(owner):
        if owner is velmora and isinstance(value, type(velmora)):
            continue
        doc = (getattr(value, "__doc__", None) or "").strip().splitlines()
        words = " ".join(line for line in doc if not line.startswith(name + "(")).split()
        assert len(words) >= 4, f"{owner.__name__}.{name}: {doc}"
