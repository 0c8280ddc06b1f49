#!/usr/bin/python3
"""packages_check.py SOURCE_DIR

Fails when a command that the scripts, tests or benchmarks call comes from a
Debian package that neither scripts/packages.txt (with what its packages
depend on) nor a minimal Debian base (Essential or Priority required, as
debootstrap's minbase installs) provides. A new machine set up by
scripts/setup.sh alone would lack it.

The commands are found where they are called: in command position in the
shell scripts, as the program of a process in the C++ and Python sources,
after COMMAND in the CMake files. Commands that this machine does not have
at all are taken for functions or the project's own programs and left out.
"""
import os
import pathlib
import re
import subprocess
import sys

# Commands our tools run on our behalf, which no source of ours names.
CALLED_FOR_US = {
    # debian/rules, which dpkg-buildpackage runs (the README's packaging
    # step, install_package)
    "dh": "debian/rules",
    "dpkg-shlibdeps": "dh_shlibdeps in debian/rules",
    "strip": "dh_strip in debian/rules",
    # CMake builds with Ninja and the compilers it finds
    "ninja": "cmake -G Ninja",
    "c++": "cmake",
    "clang++": "cmake in the fuzzing build",
    # the desktop session's X server and session bus
    "xkbcomp": "Xvfb, for its keymap",
    "dbus-daemon": "dbus-launch",
}
# What the user brings: the README's commands ask sudo for apt-get when not
# run as root, so sudo cannot come from the list.
USER_BRINGS = {"sudo"}

# Those of them that are programs of their own.
WRAPPER_COMMANDS = {"sudo", "env", "xargs", "setsid", "nohup", "timeout"}
SYSTEM_PATH = ["/usr/sbin", "/usr/bin", "/sbin", "/bin"]
# Words that start a command but are not its program.
WRAPPERS = {"exec", "sudo", "env", "xargs", "setsid", "nohup", "command", "timeout", "wait_for", "then", "do",
            "else", "if", "elif", "while", "until", "time", "!"}
WORD = re.compile(r"^/?[A-Za-z_][\w.+/-]*$")


def command_lines(text):
    """The shell text with each command on a line of its own: quoted texts
    become Q, except the code in $( ) and in bash -c strings."""
    out, stack, i = [], ["code"], 0  # contexts: code, dq (double quotes), sub (in $( ))
    while i < len(text):
        c, rest, mode = text[i], text[i:], stack[-1]
        if c == "\\":
            out.append(" " if text[i + 1:i + 2] == "\n" else "x")
            i += 2
            continue
        if rest.startswith("$(("):  # arithmetic
            depth, i = 0, i + 1
            while i < len(text):
                depth += {"(": 1, ")": -1}.get(text[i], 0)
                i += 1
                if depth == 0:
                    break
            out.append("0")
            continue
        if rest.startswith("${"):
            i = text.find("}", i) + 1 or len(text)
            out.append("V")
            continue
        if rest.startswith("$("):
            stack.append("sub")
            out.append("\n")
            i += 2
            continue
        if mode == "dq":
            if c == '"':
                stack.pop()
            i += 1
            continue
        # code: the script's own, in $( ), or in a bash -c "..." string
        after_c = "".join(out[-4:]).endswith("-c ")
        if c == '"' and mode == "cmd":
            stack.pop()
            out.append("\n")
        elif c == '"':
            stack.append("cmd" if after_c else "dq")
            out.append("\n" if after_c else "Q")
        elif c == "'":
            close = text.find("'", i + 1)
            close = len(text) if close < 0 else close
            out.append("\n" + text[i + 1:close] + "\n" if after_c else "Q")
            i = close
        elif c == "#" and (not out or out[-1][-1:] in " \t\n"):
            i = text.find("\n", i) - 1
            i = len(text) if i < -1 else i
        elif c == ")" and mode == "sub":
            stack.pop()
            out.append("\n")
        elif c in "|&;(){}`\n":
            out.append("\n")
        else:
            out.append(c)
        i += 1
    return "".join(out).splitlines()


def shell_commands(text):
    commands = set()
    for line in command_lines(text):
        words = line.split()
        while words and (words[0] in WRAPPERS or "=" in words[0] or words[0].startswith(("$", "-", "V"))
                         or words[0].isdigit()):
            if words[0] in WRAPPER_COMMANDS:
                commands.add(words[0])
            words.pop(0)
        if words and WORD.match(words[0]):
            commands.add(words[0])
    return commands


def cpp_commands(text):
    pattern = r'(?:start|execute|setProgram|Run|Output|findExecutable)\(\s*(?:QStringLiteral\()?"([^"]+)"'
    return set(re.findall(pattern, text))


def python_commands(text):
    return set(re.findall(r'(?:Popen|run|call|check_output)\(\s*\[\s*"([^"]+)"', text))


def cmake_commands(text):
    return set(re.findall(r"COMMAND\s+(?:\$\{DURURIVE_DESKTOP_SESSION\}\s+)?([A-Za-z][\w.+-]*)", text))


def called_commands(source):
    found = {}
    for path in sorted(source.rglob("*")):
        relative = path.relative_to(source)
        if relative.parts[0].startswith((".", "build")) or not path.is_file():
            continue
        if path.suffix == ".sh":
            reader = shell_commands
        elif path.suffix in (".cpp", ".h"):
            reader = cpp_commands
        elif path.suffix == ".py":
            reader = python_commands
        elif path.name == "CMakeLists.txt" or path.suffix == ".cmake":
            reader = cmake_commands
        else:
            continue
        for command in reader(path.read_text(errors="replace")):
            found.setdefault(command, str(relative))
    for command, why in CALLED_FOR_US.items():
        found.setdefault(command, why)
    return found


def executable(command):
    if command.startswith("/"):
        return command if os.access(command, os.X_OK) else None
    for directory in SYSTEM_PATH:
        candidate = os.path.join(directory, command)
        if os.path.isfile(candidate) and os.access(candidate, os.X_OK):
            return candidate
    return None


def owners(paths):
    """The package that holds each file, looked up by its path and its real
    path, with and without the /usr of a merged /usr, in one dpkg call."""
    forms = {}
    for path in paths:
        real = os.path.realpath(path)
        forms[path] = [form for candidate in (path, real)
                       for form in (candidate, candidate.removeprefix("/usr"), "/usr" + candidate)]
    result = subprocess.run(["dpkg", "-S", *{form for many in forms.values() for form in many}],
                            capture_output=True, text=True)
    holder = {}
    for line in result.stdout.splitlines():
        packages, _, path = line.partition(": ")
        if not packages.startswith("diversion by"):
            # A package that may be installed for several architectures is named with its own.
            holder[path] = packages.split(",")[0].strip().partition(":")[0]
    return {path: next((holder[form] for form in many if form in holder), None) for path, many in forms.items()}


def listed_packages(source):
    names = []
    for line in (source / "scripts/packages.txt").read_text().splitlines():
        line = line.strip()
        if line and not line.startswith("#"):
            names.append(line)
    return names


def installed():
    """Every installed package: its dependencies as lists of alternatives,
    and whether it is part of the base system."""
    result = subprocess.run(["dpkg-query", "-W", "-f=${Package}\t${Status}\t${Essential} ${Priority}\t"
                             "${Pre-Depends}, ${Depends}\t${Provides}\n"], capture_output=True, text=True)
    packages, providers = {}, {}
    for line in result.stdout.splitlines():
        name, status, base, depends, provides = line.split("\t")
        if not status.endswith(" installed"):
            continue
        alternatives = [[re.sub(r"[\s(:].*", "", choice.strip()) for choice in group.split("|")]
                        for group in depends.split(",") if group.strip()]
        packages[name] = (alternatives, base.startswith("yes ") or base.endswith(" required"))
        for virtual in provides.split(","):
            if virtual.strip():
                providers.setdefault(re.sub(r"[\s(:].*", "", virtual.strip()), []).append(name)
    return packages, providers


def provided_by_list(names, packages, providers):
    """The listed packages and everything they depend on, as installed here."""
    provided, todo = set(), list(names)
    while todo:
        name = todo.pop()
        for real in [name] if name in packages else providers.get(name, []):
            if real not in provided:
                provided.add(real)
                todo.extend(choice for group in packages[real][0] for choice in group)
    return provided


def main():
    source = pathlib.Path(sys.argv[1]).resolve()
    names = listed_packages(source)
    packages, providers = installed()
    provided = provided_by_list(names, packages, providers)
    missing, unknown = [], []
    called = {command: (where, executable(command)) for command, where in called_commands(source).items()
              if command not in USER_BRINGS}
    # Not found: a function, a builtin or one of the project's own programs.
    called = {command: found for command, found in called.items() if found[1]}
    holders = owners([path for _, path in called.values()])
    for command, (where, path) in sorted(called.items()):
        package = holders[path]
        if package is None:
            unknown.append(f"{command} ({path}, called in {where}) belongs to no Debian package")
        elif package not in provided and not packages.get(package, ([], False))[1]:
            missing.append(f"{command} ({where}) comes from {package}, which scripts/packages.txt does not bring")
    for line in missing + unknown:
        print("FAIL:", line)
    if missing or unknown:
        return 1
    print("every command the scripts and tests call comes from the list or the base system")
    return 0


if __name__ == "__main__":
    sys.exit(main())
