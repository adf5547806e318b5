#!/usr/bin/env python3
"""Fails when a function body in src/ runs over the line limit.

Long functions hide more than one job; the limit keeps each one readable in a
screen. Counts the lines from the line of the opening brace to the line of the
closing one. Lambdas count towards the function they stand in.

usage: check-function-length.py SRC_DIR [LIMIT]
"""
import pathlib
import re
import sys

CONTROL = re.compile(r"\b(if|for|while|switch|catch|do|else|try)\s*(\(|$)")
TYPE_BLOCK = re.compile(r"\b(namespace|class|struct|enum|union)\b[^()]*$")


def strip(text):
    """Blanks out comments, string and character literals, keeping newlines."""
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append("\n" * text.count("\n", i, j))
            i = j
        elif text.startswith('R"', i):
            m = re.match(r'R"([^(]*)\(', text[i:])
            end = text.find(")" + m.group(1) + '"', i) if m else -1
            j = n if end < 0 else end + len(m.group(1)) + 2
            out.append('""' + "\n" * text.count("\n", i, j))
            i = j
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            out.append(c + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def long_functions(path, limit):
    text = strip(path.read_text(encoding="utf-8", errors="replace"))
    stack = []  # (kind, start line, name)
    head, line = "", 1
    for c in text:
        if c == "\n":
            line += 1
        if c == "{":
            inside_function = any(kind == "function" for kind, _, _ in stack)
            h = " ".join(head.split())
            if inside_function:
                kind = "inner"
            elif TYPE_BLOCK.search(h) or not h.endswith(tuple(")&-") + ("const", "override", "noexcept", "final")) and ")" not in h:
                kind = "type"
            elif CONTROL.search(h.split(")")[0] if h else ""):
                kind = "inner"
            else:
                kind = "function"
            name = re.sub(r"\s*\(.*", "", h).split(" ")[-1] if kind == "function" else ""
            stack.append((kind, line, name))
            head = ""
        elif c == "}":
            if stack:
                kind, start, name = stack.pop()
                if kind == "function" and line - start + 1 > limit:
                    yield start, line - start + 1, name
            head = ""
        elif c == ";":
            head = ""
        else:
            head += c


def main():
    root = pathlib.Path(sys.argv[1])
    limit = int(sys.argv[2]) if len(sys.argv) > 2 else 60
    found = 0
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".cpp", ".h"):
            continue
        for start, length, name in long_functions(path, limit):
            print(f"{path}:{start}: {name or 'function'} has {length} lines (limit {limit})")
            found += 1
    if found:
        print(f"{found} function(s) over {limit} lines")
        return 1
    print(f"no function over {limit} lines")
    return 0


if __name__ == "__main__":
    sys.exit(main())
