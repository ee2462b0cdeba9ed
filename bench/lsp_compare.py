#!/usr/bin/env python3
"""Times tovel-cli's language server against clangd-14 in one run.

    bench/lsp_compare.py --cli build-bench/tovel-cli --genlib build-bench/bench/tovel_genlib

Generates assembler libraries of 50,000 and 100,000 routines, a C header
declaring the same 100,000 routines, and C files of 5,000 and 10,000 lines
calling them; then measures, from request to answer over the pipes:
  - completion at the start of a call and inside an argument (median),
    against clangd-14 completing in a C file that includes the header;
  - diagnostics after a didChange of the 10,000-line file;
  - the server's peak memory with the 100,000-routine library loaded;
  - growth: twice the library and twice the document.
Prints a Markdown table (the one in docs/performance.md).
"""
import argparse
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import queue


class Client:
    """A minimal LSP client over a child's stdin/stdout."""

    def __init__(self, command, cwd):
        self.proc = subprocess.Popen(command, cwd=cwd, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.inbox = queue.Queue()
        self.next_id = 1
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        out = self.proc.stdout
        while True:
            length = None
            while True:
                line = out.readline()
                if not line:
                    return
                line = line.strip()
                if not line:
                    break
                name, _, value = line.partition(b":")
                if name.lower() == b"content-length":
                    length = int(value)
            if length is None:
                continue
            self.inbox.put((time.perf_counter(), json.loads(out.read(length))))

    def send(self, message):
        body = json.dumps(message).encode()
        self.proc.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        self.proc.stdin.flush()

    def notify(self, method, params):
        self.send({"jsonrpc": "2.0", "method": method, "params": params})

    def request(self, method, params, timeout=600):
        """Returns (seconds from send to answer, result)."""
        ident = self.next_id
        self.next_id += 1
        sent = time.perf_counter()
        self.send({"jsonrpc": "2.0", "id": ident, "method": method, "params": params})
        while True:
            when, message = self.inbox.get(timeout=timeout)
            if message.get("id") == ident and "method" not in message:
                return when - sent, message.get("result")
            self._answer_server_request(message)

    def wait_notification(self, method, accept=lambda params: True, timeout=600):
        """Waits for a notification; returns the time it arrived."""
        deadline = time.perf_counter() + timeout
        while True:
            when, message = self.inbox.get(timeout=max(0.01, deadline - time.perf_counter()))
            if message.get("method") == method and "id" not in message and accept(message.get("params", {})):
                return when
            self._answer_server_request(message)

    def _answer_server_request(self, message):
        if "method" in message and "id" in message:
            self.send({"jsonrpc": "2.0", "id": message["id"], "result": None})

    def drain(self, seconds):
        end = time.perf_counter() + seconds
        while time.perf_counter() < end:
            try:
                _, message = self.inbox.get(timeout=max(0.01, end - time.perf_counter()))
                self._answer_server_request(message)
            except queue.Empty:
                break

    def peak_memory_kib(self):
        with open(f"/proc/{self.proc.pid}/status") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
        return 0

    def close(self):
        try:
            self.request("shutdown", None, timeout=30)
            self.notify("exit", None)
            self.proc.wait(timeout=30)
        except Exception:
            self.proc.kill()


def initialize(client, root, options=None):
    client.request("initialize", {
        "processId": os.getpid(), "rootUri": "file://" + root,
        "capabilities": {"textDocument": {"completion": {"completionItem": {"snippetSupport": True}},
                                          "publishDiagnostics": {"versionSupport": True}}},
        "initializationOptions": options or {}})
    client.notify("initialized", {})


def prototypes(library):
    marker = "; C Function prototype:"
    with open(library, encoding="latin-1") as text:
        return [line[len(marker):].strip().rstrip(";") for line in text if line.startswith(marker)]


def routine_name(prototype):
    return re.match(r".*?(\w+)\s*\(", prototype).group(1)


def c_document(protos, lines, header=None):
    """A C file of about `lines` lines calling the library's routines."""
    body = [f'#include "{header}"', ""] if header else []
    body.append("void run(void)")
    body.append("{")
    i = 0
    while len(body) < lines - 3:
        proto = protos[i % len(protos)]
        params = proto[proto.index("(") + 1:proto.rindex(")")].strip()
        count = 0 if params in ("", "void") else params.count(",") + 1
        body.append(f"    {routine_name(proto)}({','.join(['1'] * count)});")
        i += 1
    body.append("    ")       # completion at the start of a call: here
    body.append("}")
    return "\n".join(body) + "\n"


def positions(document, protos):
    """(line, character) at the start of a call and inside an argument."""
    lines = document.split("\n")
    start = (len(lines) - 3, 4)
    with_args = next(p for p in protos if p[p.index("(") + 1:p.rindex(")")].strip() not in ("", "void"))
    name = routine_name(with_args)
    for number, line in enumerate(lines):
        column = line.find(name + "(")
        if column >= 0:
            return start, (number, column + len(name) + 1)
    raise SystemExit("no call with arguments in the document")


def median_ms(client, method, params, runs):
    client.request(method, params)  # warm
    return statistics.median(client.request(method, params)[0] for _ in range(runs)) * 1000


def completion_params(uri, position, trigger=None):
    params = {"textDocument": {"uri": uri}, "position": {"line": position[0], "character": position[1]}}
    if trigger:
        params["context"] = {"triggerKind": 2, "triggerCharacter": trigger}
    return params


def open_document(client, uri, text):
    client.notify("textDocument/didOpen", {"textDocument": {"uri": uri, "languageId": "c", "version": 1, "text": text}})


def diagnostics_ms(client, uri, text, runs):
    times = []
    for version in range(2, runs + 2):
        sent = time.perf_counter()
        client.notify("textDocument/didChange", {"textDocument": {"uri": uri, "version": version},
                                                 "contentChanges": [{"text": text + f"// {version}\n"}]})
        arrived = client.wait_notification("textDocument/publishDiagnostics",
                                           lambda p: p.get("uri") == uri and p.get("version", version) == version)
        times.append(arrived - sent)
    return statistics.median(times) * 1000


def tovel_figures(cli, library, document, work, runs, protos):
    client = Client([cli, "lsp"], work)
    initialize(client, work, {"libraries": [library]})
    uri = "file://" + os.path.join(work, "calls.c")
    open_document(client, uri, document)
    client.wait_notification("textDocument/publishDiagnostics", lambda p: p.get("uri") == uri)
    start, inside = positions(document, protos)
    figures = {
        "start": median_ms(client, "textDocument/completion", completion_params(uri, start), runs),
        "inside": median_ms(client, "textDocument/completion", completion_params(uri, inside, "("), runs),
        "diagnostics": diagnostics_ms(client, uri, document, runs),
        "memory": client.peak_memory_kib(),
    }
    client.close()
    return figures


def clangd_figures(clangd, header_protos, document, work, runs, protos):
    with open(os.path.join(work, "routines.h"), "w") as header:
        header.write("".join(p + ";\n" for p in header_protos))
    with open(os.path.join(work, "compile_flags.txt"), "w") as flags:
        flags.write("-xc\n-std=c11\n")
    path = os.path.join(work, "calls.c")
    with open(path, "w") as source:
        source.write(document)
    client = Client([clangd, "--background-index=false", "--log=error"], work)
    initialize(client, work)
    uri = "file://" + path
    open_document(client, uri, document)
    client.wait_notification("textDocument/publishDiagnostics", lambda p: p.get("uri") == uri)
    start, inside = positions(document, protos)
    figures = {
        "start": median_ms(client, "textDocument/completion", completion_params(uri, start), runs),
        "inside": median_ms(client, "textDocument/completion", completion_params(uri, inside, "("), runs),
    }
    client.close()
    return figures


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--genlib", required=True)
    parser.add_argument("--clangd", default=shutil.which("clangd-14") or "")
    parser.add_argument("--runs", type=int, default=15)
    args = parser.parse_args()
    # The servers run in the work folder: the programs are named from here.
    args.cli, args.genlib = os.path.abspath(args.cli), os.path.abspath(args.genlib)

    work = tempfile.mkdtemp(prefix="tovel-lsp-bench.")
    libraries = {}
    for n in (50000, 100000):
        path = os.path.join(work, f"asm-{n}.s79")
        subprocess.run([args.genlib, "asm", str(n), path], check=True, stdout=subprocess.DEVNULL)
        libraries[n] = path
    # A file changed in the last two seconds (its status change time too,
    # which no program can date back) is read again at the next request, as
    # it may still be being written: the sessions start once the libraries
    # sit on disk as a user's do.
    newest = max(os.stat(path).st_ctime for path in libraries.values())
    time.sleep(max(0.0, newest + 2.5 - time.time()))
    protos = prototypes(libraries[100000])
    documents = {lines: c_document(protos, lines) for lines in (5000, 10000)}

    big = tovel_figures(args.cli, libraries[100000], documents[10000], work, args.runs, protos)
    protos_half = prototypes(libraries[50000])
    half_lib = tovel_figures(args.cli, libraries[50000], c_document(protos_half, 10000), work, args.runs, protos_half)
    half_doc = tovel_figures(args.cli, libraries[100000], documents[5000], work, args.runs, protos)
    size_kib = os.path.getsize(libraries[100000]) / 1024

    clangd = None
    if args.clangd:
        clangd_dir = os.path.join(work, "clangd")
        os.mkdir(clangd_dir)
        clangd = clangd_figures(args.clangd, protos, c_document(protos, 10000, "routines.h"), clangd_dir,
                                args.runs, protos)

    def versus(key):
        if not clangd:
            return "clangd-14 not installed"
        return f"{clangd[key]:.1f} ms ({big[key] / clangd[key]:.3f}x)"

    print("| measure (100,000 routines, 10,000-line C file) | tovel-cli lsp | clangd-14 (ratio) |")
    print("| --- | ---: | ---: |")
    print(f"| completion at the start of a call, median | {big['start']:.2f} ms | {versus('start')} |")
    print(f"| completion inside an argument, median | {big['inside']:.2f} ms | {versus('inside')} |")
    print(f"| diagnostics after didChange, median | {big['diagnostics']:.1f} ms | |")
    print(f"| peak memory against the library file | {big['memory'] / 1024:.1f} MiB "
          f"({big['memory'] / size_kib:.2f}x of {size_kib / 1024:.1f} MiB) | |")
    print(f"| growth, library 50,000 -> 100,000: completion at start / inside | "
          f"{big['start'] / half_lib['start']:.2f}x / {big['inside'] / half_lib['inside']:.2f}x | |")
    print(f"| growth, document 5,000 -> 10,000 lines: diagnostics | "
          f"{big['diagnostics'] / half_doc['diagnostics']:.2f}x | |")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
