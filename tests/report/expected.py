"""What the report page must show of a record, worked out apart from the dev
host and the page: reads the audit files named on standard input (a JSON list
of {"path", "server"}, in reading order) and prints, as JSON, the valid lines
and the counts the page must show.

A use carried forward at a rotation counts once: for each hash H, the uses
are max(the lines hashing to H, the most carried lines naming H in any one file).
"""
import collections
import json
import re
import sys

# Longer than any line the plugin writes: readers take it for no line of the record.
LONGEST_LINE = 64 * 1024
TIME = re.compile(r"^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}Z$")


def fnv1a(data):
    value = 0xCBF29CE484222325
    for byte in data:
        value = ((value ^ byte) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return value


def record_line(raw):
    if len(raw) > LONGEST_LINE:
        return None
    try:
        line = json.loads(raw)
    except ValueError:
        return None
    if not isinstance(line, dict):
        return None
    steam_id, outcome = line.get("steamId"), line.get("outcome")
    has_command, has_action = isinstance(line.get("command"), str), isinstance(line.get("action"), str)
    if not (isinstance(line.get("time"), str) and TIME.match(line["time"]) and isinstance(steam_id, str)
            and steam_id.isdigit() and isinstance(outcome, str) and has_command != has_action):
        return None
    return line


def name_of(line):
    names = line.get("names")
    if isinstance(names, list) and names and isinstance(names[-1], str):
        return names[-1]
    if "command" in line:
        return re.match(r"^ *([A-Za-z0-9_]*)", line["command"]).group(1).lower()
    return ""


def main():
    files = json.load(sys.stdin)
    lines, invalid = [], 0
    originals = collections.Counter()
    carried = collections.defaultdict(collections.Counter)  # hash: file: count
    carried_line = {}
    for number, entry in enumerate(files):
        with open(entry["path"], "rb") as handle:
            text = handle.read()
        raws = text.split(b"\n")
        for raw in raws[:-1] if raws[-1] == b"" else raws:
            line = record_line(raw)
            if line is None:
                invalid += 1
                continue
            line["_server"] = line.get("server") or entry["server"]
            line["_name"] = name_of(line)
            lines.append(line)
            if line.get("action") == "carried":
                carried[line["carries"]][number] += 1
                carried_line[line["carries"]] = line
            elif line["outcome"] in ("granted", "forgiven"):
                originals["%016x" % fnv1a(raw)] += 1
    uses = [line for line in lines if "command" in line]
    for digest, per_file in carried.items():
        if carried_line[digest]["outcome"] == "granted":
            uses += [carried_line[digest]] * max(0, max(per_file.values()) - originals[digest])
    omitted = collections.Counter()
    for line in lines:
        if line.get("action") == "summary":
            omitted.update(line.get("omitted", {}))
    print(json.dumps({
        "lines": [{"steamId": l["steamId"], "character": l.get("character", ""), "outcome": l["outcome"],
                   "action": l.get("action", ""), "name": l["_name"], "server": l["_server"],
                   "time": l["time"], "command": l.get("command", "")} for l in lines],
        "invalid": invalid,
        "outcomes": collections.Counter(line["outcome"] for line in uses),
        "omitted": omitted,
        "commands": collections.Counter(line["_name"] for line in uses),
        "players": collections.Counter(line["steamId"] for line in lines),
        "servers": collections.Counter(line["_server"] for line in uses),
    }))


main()
