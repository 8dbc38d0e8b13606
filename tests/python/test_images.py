"""velmora from Python: real files against Pillow's decoding, numpy round
trips, transforms against numpy's, blocks across row windows, errors, and
the interpreter lock let go during pixel work."""

import os
import subprocess
import sys
import threading

import numpy as np
import pytest
from PIL import Image as Pillow

import velmora
from conftest import DATA, manifest_rows


def rgb_of(image):
    pixels = image.to_numpy()
    return image.palette[pixels] if pixels.ndim == 2 else pixels


def readable_rows():
    """Every image file of the test data with its reference, where velmora
    and Pillow read it; Pillow's own faults (the MANIFEST lists where it
    differs from the reference) are judged against the reference instead."""
    rows = []
    for row in manifest_rows():
        path = row["path"]
        if path.startswith(("damaged/", "geotiff/")) or not row.get("ref"):
            continue
        rows.append(pytest.param(row, id=path))
    return rows


# Files whose colours the library sets itself on purpose: indices past a
# short palette read as black.
INDICES_ONLY = {"png/libpng_badpal_small-palette-4.png"}


@pytest.mark.parametrize("row", readable_rows())
def test_reads_as_pillow_does(row):
    path = os.path.join(DATA, row["path"])
    try:
        image = velmora.open(path)
    except velmora.Error as e:
        assert e.code in ("unsupported", "bad_data"), str(e)
        pytest.skip(f"the library refuses it: {e}")
    got = rgb_of(image)
    assert got.dtype == np.uint8 and got.shape[:2] == (image.height, image.width)
    try:
        pillow = Pillow.open(path)
    except OSError:
        pillow = None  # Pillow 9.4 cannot read it: the reference decides
    if row["path"] in INDICES_ONLY:
        # The library's own colour table here (see INDICES_ONLY); the indices are Pillow's.
        np.testing.assert_array_equal(image.to_numpy(), np.asarray(Pillow.open(path)))
        return
    if "alpha" in row["layout"] and got.shape[-1] != 4:
        pytest.skip("the library composites alpha over the background colour")
    pillow_agrees = pillow is not None and "Pillow 9.4: identical" in row.get("ref_check", "")
    reference = os.path.join(DATA, row["ref"])
    if got.shape[-1] == 4 and pillow is not None:
        want = np.asarray(pillow.convert("RGBA"))  # the references hold no alpha
    elif pillow_agrees:
        want = np.asarray(pillow.convert("RGB"))
    elif os.path.exists(reference):
        want = np.asarray(Pillow.open(reference).convert("RGB"))
    else:
        pytest.skip("Pillow differs from the reference and the reference is not kept")
    # JPEG references are djpeg's float DCT, and TIFF's wide samples (16 and
    # 12 bits, CMYK) are brought to 8 bits with roundings that differ by a
    # level between decoders; everything else is exact. Where Pillow cannot
    # read the file at all, the reference is a peer that widens narrow
    # bit-field channels its own way (docs/PLATFORM.md): the colours are
    # held to within one 4-bit step there, alpha aside.
    tolerance = {"jpg/": 3, "tif/": 1}.get(row["path"][:4], 0)
    if "Pillow 9.4: cannot decode" in row.get("ref_check", ""):
        got, tolerance = got[..., :3], 16
    assert np.abs(want.astype(int) - got).max() <= tolerance


def test_every_format_is_read():
    formats = set()
    for row in manifest_rows():
        if row["path"].startswith(("damaged/", "geotiff/")) or not row.get("ref"):
            continue
        try:
            velmora.open(os.path.join(DATA, row["path"]))
            formats.add(row["format"])
        except velmora.Error:
            pass
    assert formats >= {"BMP", "TIFF", "PCX", "GIF", "JPEG", "PNG"}


def pattern(height, width, channels=None):
    shape = (height, width) if channels is None else (height, width, channels)
    return (np.arange(np.prod(shape), dtype=np.uint32) * 2654435761 >> 13).astype(np.uint8).reshape(shape)


GREY = np.repeat(np.arange(256, dtype=np.uint8)[:, None], 3, axis=1)


def decode_with_peer(path, tmp_path):
    if str(path).endswith(".pcx"):
        ppm = tmp_path / "peer.ppm"
        subprocess.run(["convert", str(path), str(ppm)], check=True)
        path = ppm
    return np.asarray(Pillow.open(path).convert("RGB"))


@pytest.mark.parametrize("channels", [None, 3, 4])
def test_from_numpy_round_trips(channels):
    array = pattern(23, 41, channels)
    image = velmora.from_numpy(array)
    assert (image.width, image.height) == (41, 23)
    assert image.bit_count == {None: 8, 3: 24, 4: 32}[channels]
    np.testing.assert_array_equal(image.to_numpy(), array)
    if channels is None:
        np.testing.assert_array_equal(image.palette, GREY)  # no palette: grey levels
        assert image.gray


def test_palette_and_saves_round_trip(tmp_path):
    indices = pattern(19, 33)
    palette = np.stack([np.arange(256), 255 - np.arange(256), np.arange(256) * 3 % 256], axis=1).astype(np.uint8)
    image = velmora.from_numpy(indices, palette=palette)
    np.testing.assert_array_equal(image.palette, palette)
    for ext in ("bmp", "tif", "pcx", "gif", "png"):
        image.save(tmp_path / f"a.{ext}")
        back = velmora.open(str(tmp_path / f"a.{ext}"))
        np.testing.assert_array_equal(back.to_numpy(), indices, err_msg=ext)
        # A peer reads what the library wrote as the same picture (Pillow
        # 9.4 misreads PCX rows padded past the next even byte: ImageMagick there).
        peer = decode_with_peer(tmp_path / f"a.{ext}", tmp_path).astype(int)
        assert np.abs(peer - palette[indices]).max() <= 1, ext  # TIFF maps colours in 16 bits
    rgb = velmora.from_numpy(pattern(19, 33, 3))
    rgb.save(str(tmp_path / "b.jpg"))
    assert velmora.open(str(tmp_path / "b.jpg")).to_numpy().shape == (19, 33, 3)
    rgb.save(tmp_path / "c.jpg", quality=20)
    assert (tmp_path / "c.jpg").stat().st_size < (tmp_path / "b.jpg").stat().st_size
    rgb.save(tmp_path / "c.tif", compression="deflate")
    np.testing.assert_array_equal(velmora.open(tmp_path / "c.tif").to_numpy(), rgb.to_numpy())
    rgb.save(tmp_path / "c.png", level=9)
    np.testing.assert_array_equal(velmora.open(tmp_path / "c.png").to_numpy(), rgb.to_numpy())
    with pytest.raises(velmora.Error) as wrong:
        rgb.save(tmp_path / "d.tif", compression="zip")
    assert wrong.value.code == "invalid_argument"
    rgb.save(str(tmp_path / "b.img"), format="tif")
    np.testing.assert_array_equal(velmora.open(str(tmp_path / "b.img")).to_numpy(), rgb.to_numpy())


@pytest.mark.parametrize(
    "operation, expected",
    [
        (lambda i: i.rotate("right"), lambda a: np.rot90(a, -1)),
        (lambda i: i.rotate("left"), lambda a: np.rot90(a, 1)),
        (lambda i: i.flip("vertical"), np.flipud),
        (lambda i: i.flip("horizontal"), np.fliplr),
        (lambda i: i.invert(), lambda a: 255 - a),
    ],
    ids=["right", "left", "vertical", "horizontal", "invert"],
)
def test_transforms_match_numpy(operation, expected):
    array = pattern(17, 29, 3)
    image = velmora.from_numpy(array)
    operation(image)
    np.testing.assert_array_equal(image.to_numpy(), expected(array))


def test_thumbnail_fits_the_box():
    image = velmora.from_numpy(np.full((40, 80, 3), 77, np.uint8))
    small = np.asarray(image.thumbnail(20, 20))
    assert small.shape == (10, 20, 3)
    assert np.abs(small.astype(int) - 77).max() <= 1


def test_blocks_cover_a_page_file_image(tmp_path):
    old = velmora.virtual_dir()
    velmora.set_virtual_dir(str(tmp_path))
    velmora.set_memory_limit(4 << 20)
    try:
        array = pattern(900, 1100, 3)  # 3 MB: more than this limit lets one image hold in memory
        image = velmora.from_numpy(array)
        assert image.in_page_file
        tops, parts = zip(*image.blocks(rows=128))
        assert tops == tuple(range(0, 900, 128))
        assert all(p.shape[1:] == (1100, 3) for p in parts)
        np.testing.assert_array_equal(np.concatenate(parts), array)
        assert sum(1 for _ in image.blocks()) >= 1
    finally:
        velmora.set_memory_limit(0)
        velmora.set_virtual_dir(old)
    assert not os.listdir(tmp_path) or all(not n.startswith("Page") for n in os.listdir(tmp_path)) or image


def test_errors_say_what_went_wrong(tmp_path):
    with pytest.raises(velmora.Error) as missing:
        velmora.open(str(tmp_path / "missing.png"))
    assert missing.value.code == "file_not_found" and missing.value.errno == 2
    assert "missing.png" in str(missing.value)
    with pytest.raises(velmora.Error) as damaged:
        velmora.open(os.path.join(DATA, "damaged/bmp/im_pal8_w61__trunc_half.bmp"))
    assert damaged.value.code == "bad_data" and damaged.value.text  # the library's own words
    rgb = velmora.from_numpy(pattern(4, 4, 3))
    with pytest.raises(velmora.Error) as unsupported:
        rgb.save(str(tmp_path / "a.gif"), fit=False)  # save() fits depths unless told not to
    assert unsupported.value.code == "unsupported" and unsupported.value.text == "本系统不支持非256色位图GIF存储"
    assert not (tmp_path / "a.gif").exists()
    with pytest.raises(velmora.Error) as nowhere:
        rgb.save(tmp_path / "no" / "such" / "a.bmp")
    assert nowhere.value.code == "write_failed" and nowhere.value.errno == 2  # the system's reason
    with pytest.raises(velmora.Error):
        rgb.save(str(tmp_path / "a.bmp"), quality=50)  # BMP has no quality
    with pytest.raises(TypeError):
        rgb.save(str(tmp_path / "a.bmp"), speed=3)
    with pytest.raises(ValueError):
        rgb.rotate("up")
    with pytest.raises(TypeError):  # values, not a picture: only a TIFF holds them
        velmora.from_numpy(np.zeros((4, 4), np.float32)).save(str(tmp_path / "f.bmp"))
    assert issubclass(velmora.Error, RuntimeError)


def test_progress_calls_back():
    steps = []
    velmora.open(os.path.join(DATA, "bmp/rgb24.bmp"), progress=steps.append)
    assert steps and steps[-1] == 100 and steps == sorted(steps)

    def stop(percent):
        raise KeyError("stop")

    with pytest.raises(KeyError):
        velmora.open(os.path.join(DATA, "bmp/rgb24.bmp"), progress=stop)


def test_long_calls_let_other_threads_run():
    # With a switch interval far longer than the test, another thread runs
    # only when this one gives the lock up: inside velmora's calls.
    image = velmora.from_numpy(pattern(2000, 1500, 3))
    ticks = [0]
    stop = threading.Event()

    def count():
        while not stop.is_set():
            ticks[0] += 1
            stop.wait(0.0005)  # gives the lock back at once

    previous = sys.getswitchinterval()
    sys.setswitchinterval(100)
    counter = threading.Thread(target=count)
    try:
        counter.start()
        for _ in range(4):
            image.rotate("right")
        during = ticks[0]
    finally:
        stop.set()
        sys.setswitchinterval(previous)
        counter.join()
    assert during > 0


def test_one_image_from_two_threads():
    # Calls on one image wait for each other: a read never sees half a turn.
    array = pattern(300, 200, 3)
    image = velmora.from_numpy(array)
    turner = threading.Thread(target=lambda: [image.rotate("right") for _ in range(8)])
    shapes = set()
    turner.start()
    while turner.is_alive():
        try:
            shapes.add(image.to_numpy().shape)
        except velmora.Error as e:  # turned between sizing the array and filling it
            assert e.code == "invalid_argument"
    turner.join()
    assert shapes <= {(300, 200, 3), (200, 300, 3)}
    np.testing.assert_array_equal(image.to_numpy(), array)  # eight quarter turns


def test_progress_handler_waits_for_another_thread_reading_the_image(tmp_path):
    # The save lends the image out while the handler runs: the other
    # thread's reads go on (with a generous timeout, a regression fails
    # rather than hangs), a close() waits for the save, and the file holds
    # the picture.
    array = pattern(300, 200, 3)
    image = velmora.from_numpy(array)
    seen = []
    done = threading.Event()

    def read():
        seen.append((image.width, np.array_equal(image.to_numpy(), array)))
        done.set()

    reader = threading.Thread(target=read)
    closer = threading.Thread(target=image.close)  # waits for the save to end
    answered = []

    def progress(percent):
        if not answered:
            reader.start()
            answered.append(done.wait(30))
            closer.start()

    image.save(str(tmp_path / "out.png"), progress=progress)
    reader.join()
    closer.join()
    assert answered == [True] and seen == [(200, True)] and image.width == 0
    np.testing.assert_array_equal(velmora.open(str(tmp_path / "out.png")).to_numpy(), array)


def test_threads_give_the_bytes_one_thread_gives(tmp_path):
    source = velmora.from_numpy(pattern(300, 200), palette=GREY)
    source.save(str(tmp_path / "in.gif"))
    alone = velmora.open(str(tmp_path / "in.gif"))
    alone.rotate("left")
    expected = alone.to_numpy()
    results = []

    def work():
        image = velmora.open(str(tmp_path / "in.gif"))
        image.rotate("left")
        results.append(np.array_equal(image.to_numpy(), expected))

    threads = [threading.Thread(target=work) for _ in range(8)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert results == [True] * 8


def test_paths_given_as_bytes_and_paths_that_are_no_file(tmp_path):
    source = os.path.join(DATA, "bmp/pal8.bmp")
    assert velmora.open(os.fsencode(source)).width == velmora.open(source).width
    with pytest.raises(velmora.Error) as missing:
        velmora.open(os.fsencode(str(tmp_path / "none.bmp")))
    assert missing.value.code == "file_not_found" and "b'" not in str(missing.value)
    with pytest.raises(velmora.Error) as folder:
        velmora.open(str(tmp_path))
    assert folder.value.code == "open_failed"


@pytest.mark.parametrize("top, count", [(0, 2**31 - 1), (2**31 - 1, 2**31 - 1), (-1, 1), (0, -1)])
def test_read_rows_checks_the_range_before_it_allocates(top, count):
    image = velmora.open(os.path.join(DATA, "bmp/rgb24.bmp"))
    with pytest.raises(velmora.Error) as outside:
        image.read_rows(top, count)
    assert outside.value.code == "invalid_argument"


def test_formats_are_the_table_the_batch_and_saves_use(tmp_path):
    import velmora.batch

    image = velmora.from_numpy(np.zeros((5, 6), np.uint8))
    names = []
    for f in velmora.formats():
        for name in f.extensions:
            names.append(name)
            assert velmora.batch.output_path("in/a.bmp", name, "out") == f"out/a.{f.extensions[0]}"
            image.save(tmp_path / f"a.{name}")
            assert velmora.open(tmp_path / f"a.{name}").width == 6
        assert 8 in f.save_depths
    assert velmora.batch.FORMATS == tuple(names)
    assert [f.name for f in velmora.formats()] == ["BMP", "TIFF", "PCX", "GIF", "JPEG", "PNG"]
