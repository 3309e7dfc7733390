#!/usr/bin/env python3
"""The rows SQL statements give over tables of a database, read with mdbtools (mdb-export for the
column names, mdb-json for typed values) into SQLite: a second reader of the file and a second query
engine, to check the saved queries we write against.

    expected_rows.py DATABASE TABLE[,TABLE...] SQL...

Prints each statement's rows, one line a row, and a line "--" after them. The values are separated
by "|": Null, whole numbers as they are, other numbers with 15 significant digits, text as it is.
"""
import csv
import io
import json
import sqlite3
import subprocess
import sys


def mdbtools(*arguments):
    return subprocess.run(arguments, check=True, capture_output=True).stdout.decode("utf-8")


def load(connection, database, table):
    columns = next(csv.reader(io.StringIO(mdbtools("mdb-export", database, table))))
    quoted = ", ".join('"' + column + '"' for column in columns)
    connection.execute(f'CREATE TABLE "{table}" ({quoted})')
    for line in mdbtools("mdb-json", database, table).splitlines():
        row = json.loads(line)  # a null value is left out
        connection.execute(f'INSERT INTO "{table}" VALUES ({", ".join("?" * len(columns))})',
                           [row.get(column) for column in columns])


def text(value):
    if value is None:
        return "Null"
    if isinstance(value, float):
        return "%.15g" % value
    return str(value)


def main():
    database, tables, statements = sys.argv[1], sys.argv[2].split(","), sys.argv[3:]
    connection = sqlite3.connect(":memory:")
    for table in tables:
        load(connection, database, table)
    for sql in statements:
        for row in connection.execute(sql):
            print("|".join(text(value) for value in row))
        print("--")


if __name__ == "__main__":
    main()
