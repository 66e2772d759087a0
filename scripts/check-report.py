#!/usr/bin/python3
"""Checks run reports (calvorn-cli --report) against docs/report.schema.json.

    scripts/check-report.py [--schema FILE] REPORT...

Every line of every report must be one whole record (ending in a line feed) that the schema
accepts. Prints FILE:LINE: PROBLEM for each that is not; exit 0 when all are, 1 otherwise.
Needs Debian's python3-jsonschema.
"""
import json
import pathlib
import sys

import jsonschema


def main(args):
    schema_path = pathlib.Path(__file__).resolve().parent.parent / "docs" / "report.schema.json"
    if args[:1] == ["--schema"]:
        schema_path, args = pathlib.Path(args[1]), args[2:]
    if not args:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    schema = json.loads(schema_path.read_text(encoding="utf-8"))
    validator_class = jsonschema.validators.validator_for(schema)
    validator_class.check_schema(schema)
    validator = validator_class(schema)
    problems = 0
    for report in args:
        data = pathlib.Path(report).read_bytes()
        lines = data.split(b"\n")
        if lines[-1]:
            print(f"{report}:{len(lines)}: the last line is not whole")
            problems += 1
        for number, line in enumerate(lines[:-1], 1):
            try:
                record = json.loads(line.decode("utf-8"))
            except ValueError as error:
                print(f"{report}:{number}: {error}")
                problems += 1
                continue
            for error in validator.iter_errors(record):
                print(f"{report}:{number}: {error.message}")
                problems += 1
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
