#!/usr/bin/env python3
"""Runs one language-server transcript against tovel-cli lsp.

    run_transcript.py TOVEL_CLI COMPANION_DIR TEST_FILE

A transcript holds, line by line:
  # ...           a comment
  %file NAME      a file written into the scratch folder at this point of
                  the session (before it, when it comes first): the lines up
                  to %end
  >> JSON         a message sent to the server (framed for it); lines that
                  start with a blank continue it
  %raw TEXT       bytes sent as they are (Python escapes: \\r\\n, \\x80)
  %framed TEXT    the same bytes as the body of a message, framed
  << JSON         the next answer or notification that matches: every member
                  given must be there and equal (objects may hold more; an
                  array must match element by element, or up to a last
                  element "..."; "<any>" matches any value). Notifications
                  that do not match are passed over; an answer that does not
                  match fails the test.
  %exit N         the server must end by itself with status N
  %stderr TEXT    its standard error must hold TEXT
In every line ${WORK}, ${WORKURI}, ${LIB} and ${LIBURI} stand for the
scratch folder, the sample library copied there, and their file URIs.
"""
import json
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import urllib.parse

TIMEOUT = 20


def uri(path):
    return "file://" + urllib.parse.quote(path)


def frame(body):
    data = body.encode("utf-8", "surrogateescape")
    return b"Content-Length: %d\r\n\r\n" % len(data) + data


def reader(stream, out):
    """Cuts the server's output into messages."""
    while True:
        header = b""
        while not header.endswith(b"\r\n\r\n"):
            byte = stream.read(1)
            if not byte:
                out.put(None)
                return
            header += byte
        length = None
        for line in header.decode("ascii").split("\r\n"):
            if line.lower().startswith("content-length:"):
                length = int(line.split(":", 1)[1])
        body = stream.read(length)
        out.put(json.loads(body.decode("utf-8")))


def matches(expected, actual):
    if expected == "<any>":
        return True
    if isinstance(expected, dict):
        return isinstance(actual, dict) and all(k in actual and matches(v, actual[k]) for k, v in expected.items())
    if isinstance(expected, list):
        if not isinstance(actual, list):
            return False
        if expected and expected[-1] == "...":
            head = expected[:-1]
            return len(actual) >= len(head) and all(matches(e, a) for e, a in zip(head, actual))
        return len(expected) == len(actual) and all(matches(e, a) for e, a in zip(expected, actual))
    return expected == actual and type(expected) is type(actual) or (
        isinstance(expected, (int, float)) and not isinstance(expected, bool)
        and isinstance(actual, (int, float)) and not isinstance(actual, bool) and expected == actual)


def unescape(text):
    return text.encode("latin-1").decode("unicode_escape").encode("latin-1")


def parse(text, names):
    for key, value in names.items():
        text = text.replace("${" + key + "}", value)
    steps = []
    lines = text.split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        if not line.strip() or line.startswith("#"):
            continue
        if line.startswith("%file "):
            name, body = line[6:].strip(), []
            while lines[i] != "%end":
                body.append(lines[i])
                i += 1
            i += 1
            steps.append(("file", (name, "\n".join(body) + "\n")))
        elif line.startswith(">>") or line.startswith("<<"):
            body = line[2:]
            while i < len(lines) and lines[i][:1] in (" ", "\t") and lines[i].strip():
                body += "\n" + lines[i]
                i += 1
            steps.append((line[:2], json.loads(body)))
        elif line.startswith("%raw "):
            steps.append(("raw", unescape(line[5:])))
        elif line.startswith("%framed "):
            body = unescape(line[8:])
            steps.append(("raw", b"Content-Length: %d\r\n\r\n" % len(body) + body))
        elif line.startswith("%exit "):
            steps.append(("exit", int(line[6:])))
        elif line.startswith("%stderr "):
            steps.append(("stderr", line[8:]))
        else:
            raise SystemExit("cannot read transcript line: " + line)
    return steps


def main():
    cli, companion, test = (os.path.abspath(a) for a in sys.argv[1:4])
    work = os.path.realpath(tempfile.mkdtemp(prefix="tovel-lsp-"))
    try:
        library = os.path.join(work, "LibDev4410.s79")
        shutil.copyfile(os.path.join(companion, "LibDev4410.s79"), library)
        # Older than two seconds: a library just written is read again at every request.
        os.utime(library, (1e9, 1e9))
        names = {"WORK": work, "WORKURI": uri(work), "LIB": library, "LIBURI": uri(library)}
        with open(test, encoding="utf-8") as handle:
            steps = parse(handle.read(), names)
        while steps and steps[0][0] == "file":
            write_file(work, *steps.pop(0)[1])
        env = dict(os.environ, HOME=work, XDG_CONFIG_HOME=work)
        server = subprocess.Popen([cli, "lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, cwd=work, env=env)
        messages = queue.Queue()
        threading.Thread(target=reader, args=(server.stdout, messages), daemon=True).start()
        errors = []
        stderr_thread = threading.Thread(target=lambda: errors.append(server.stderr.read()), daemon=True)
        stderr_thread.start()
        received = []
        status = None
        for kind, value in steps:
            if kind == ">>":
                server.stdin.write(frame(json.dumps(value)))
                server.stdin.flush()
            elif kind == "file":
                write_file(work, *value)
            elif kind == "raw":
                server.stdin.write(value)
                server.stdin.flush()
            elif kind == "<<":
                while True:
                    try:
                        message = messages.get(timeout=TIMEOUT)
                    except queue.Empty:
                        fail("no answer matching %s; received:\n%s" % (json.dumps(value), dump(received)))
                    if message is None:
                        fail("the server ended before %s; received:\n%s" % (json.dumps(value), dump(received)))
                    received.append(message)
                    if matches(value, message):
                        break
                    if "id" in message:
                        fail("expected %s\n     got %s" % (json.dumps(value), json.dumps(message)))
            elif kind == "exit":
                try:
                    status = server.wait(timeout=TIMEOUT)
                except subprocess.TimeoutExpired:
                    server.kill()
                    fail("the server did not end by itself")
                if status != value:
                    fail("exit status %d, expected %d" % (status, value))
            elif kind == "stderr":
                if status is None:
                    server.stdin.close()
                    status = server.wait(timeout=TIMEOUT)
                stderr_thread.join(TIMEOUT)
                text = b"".join(errors).decode("utf-8", "replace")
                if value not in text:
                    fail("standard error lacks %r:\n%s" % (value, text))
        if status is None:
            server.stdin.close()
            try:
                server.wait(timeout=TIMEOUT)
            except subprocess.TimeoutExpired:
                server.kill()
                fail("the server did not end when its input ended")
    finally:
        shutil.rmtree(work, ignore_errors=True)


def write_file(work, name, body):
    path = os.path.join(work, name)
    with open(path, "w", encoding="utf-8") as handle:
        handle.write(body)


def dump(received):
    return "\n".join(json.dumps(m) for m in received) or "(nothing)"


def fail(message):
    print("FAIL " + message)
    sys.exit(1)


if __name__ == "__main__":
    main()
