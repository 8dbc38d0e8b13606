"""Shared fixtures: the test data folder and its MANIFEST rows."""

import csv
import os

import pytest

DATA = os.environ.get("VELMORA_TEST_DATA_DIR") or os.path.join(os.path.dirname(__file__), "..", "data")


@pytest.fixture(scope="session")
def data_dir():
    return DATA


def manifest_rows():
    with open(os.path.join(DATA, "MANIFEST.tsv"), newline="", encoding="utf-8") as f:
        return list(csv.DictReader(f, delimiter="\t"))
