#!/usr/bin/env python3
"""Prints a workbook as JSON for the client tests: its sheets in order with
their states, the sheet active on opening, and each filled cell's value and
type ("n" number, "s" text)."""
import json
import sys

import openpyxl


def main(path):
    book = openpyxl.load_workbook(path)
    out = {"active": book.active.title, "sheets": []}
    for sheet in book.worksheets:
        cells = {}
        for row in sheet.iter_rows():
            for cell in row:
                if cell.value is None:
                    continue
                cells[cell.coordinate] = {"value": cell.value, "type": cell.data_type}
        out["sheets"].append({"name": sheet.title, "state": sheet.sheet_state, "cells": cells})
    json.dump(out, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main(sys.argv[1])
