// SPDX-License-Identifier: MIT
#include "tools/WinApiTool.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <ostream>

#ifndef TARNQUILL_VERSION
#define TARNQUILL_VERSION "0"
#endif

namespace tarnquill::tool {

namespace {

constexpr const char* kProgram = "tarnquill-winapi";

constexpr const char* kHelp = R"(Usage: tarnquill-winapi [--json] MEMBER [ARG...]
       tarnquill-winapi [--json] --batch FILE
       tarnquill-winapi --list | --help | --version

Calls one member of the utility class CWinAPI and prints what it gives back.

Arguments follow the member's order (--list shows every member's signature);
optional ones, in [brackets], may be left off at the end and are then "",
false or 0. Member names are matched in any letter case.
  int32, int16, uint8   decimal, or 0x hex up to the type's width (0xFFFFFFFF
                        is -1 for an int32)
  boolean               true or false (or -1 and 0)
  single, double        a decimal number: 1.5, -2, 1e3
  string                the word as it stands
  variant               @empty, a number, or any other word as a text
  picture               a handle number, or @nothing for no picture
  key                   a registry root by name (HKEY_CURRENT_USER, HKCU,
                        HKEY_LOCAL_MACHINE, HKLM, HKEY_CLASSES_ROOT, HKCR,
                        HKEY_USERS, HKU, HKEY_CURRENT_CONFIG, HKCC, ...) or
                        number
  listbox               @list1 or @list2: a hidden list box made for the
                        call, whose lines are printed afterwards; or a handle
An argument marked & is one the member may change: it is read like the
others and printed after the call.

Output: the result, then each argument marked &, then the lines of the list
boxes. With --json, one JSON object on one line:
  {"member": "...", "result": ..., "out": {"ArgName": ...},
   "lists": {"list1": [...], "list2": [...]}, "error": null}
An empty variant is null, texts are strings (each byte that is not UTF-8 as
\u00XX), numbers are numbers, truth values true/false. When the member
raises an error, "error" is {"number": 6, "description": "Overflow"} and the
outputs are as they stood; a failure of the system outside the member's
errors gives {"number": null, "description": "..."}.

Exit status: 0 the member returned; 1 it raised an error; 2 the command line
was wrong (one line on standard error says what, with the member's
signature).

--batch FILE makes many calls in one process: one call per line of FILE (-
for standard input), MEMBER [ARG...] with words quoted as in a POSIX shell
('...' as it stands; "..." where \" and \\ stand for " and \; outside
quotes a backslash keeps the next character); blank lines and lines that
start with # are skipped. Each call prints exactly what it prints alone,
with --json one object per line; a line that makes no call (a wrong line, a
list box that could not be made) prints {"exit": 2, "message": "..."} (or
"exit": 1) in its place, the message being the line it writes to standard
error. The exit status is the highest of the calls'.

The registry is the program's own: on Linux the per-user and machine
registry files (TARNQUILL_USER_REGISTRY and TARNQUILL_MACHINE_REGISTRY name
other ones), on Windows the system's. On Linux the members that show or
touch windows use the X display of DISPLAY; with no display they fail as
their Windows calls fail, and list boxes are made without one.
)";

struct Failure {
    std::optional<int> number;
    std::string description;
};

// A word of the command line inside a message: quoted, and escaped so that
// control characters and bytes that are not UTF-8 never reach the terminal raw.
std::string quotedWord(const std::string& word)
{
    return formatHuman(Type::String, word);
}

std::string argumentProblem(const Member& member, std::size_t index, const std::string& word, const char* why)
{
    return "argument " + std::to_string(index + 1) + " (" + member.params[index].name + ") " + quotedWord(word) + " " + why
           + "; usage: " + member.signature();
}

// The description of a run-time error: its text after "Run-time error N: ".
std::string describe(const RuntimeError& error)
{
    const std::string text = error.what();
    const auto colon = text.find(": ");
    return colon == std::string::npos ? text : text.substr(colon + 2);
}

struct Outcome {
    Value result;
    std::optional<Failure> failure;
};

Outcome callMember(const Call& call, std::vector<Value>& args, Win32Api& api)
{
    Outcome outcome;
    try {
        CWinAPI winapi(api);
        outcome.result = call.member->call(winapi, args);
    } catch (const RuntimeError& error) {
        outcome.failure = Failure{error.number(), describe(error)};
    } catch (const std::exception& error) {
        outcome.failure = Failure{std::nullopt, error.what()};
    } catch (...) {
        outcome.failure = Failure{std::nullopt, "unknown error"};
    }
    return outcome;
}

void printJson(std::ostream& out, const Call& call, const std::vector<Value>& args, const Outcome& outcome,
               const std::vector<std::vector<std::string>>& lines)
{
    const Member& member = *call.member;
    out << "{\"member\": " << jsonString(member.name) << ", \"result\": "
        << (member.result ? formatJson(*member.result, outcome.result) : "null") << ", \"out\": {";
    const char* separator = "";
    for (std::size_t i = 0; i < member.params.size(); ++i) {
        if (!member.params[i].byRef)
            continue;
        out << separator << jsonString(member.params[i].name) << ": " << formatJson(member.params[i].type, args[i]);
        separator = ", ";
    }
    out << "}, \"lists\": {";
    separator = "";
    for (std::size_t i = 0; i < call.lists.size(); ++i) {
        out << separator << jsonString(call.lists[i].first) << ": [";
        const char* itemSeparator = "";
        for (const std::string& line : lines[i]) {
            out << itemSeparator << jsonString(line);
            itemSeparator = ", ";
        }
        out << "]";
        separator = ", ";
    }
    out << "}, \"error\": ";
    if (outcome.failure) {
        out << "{\"number\": "
            << (outcome.failure->number ? std::to_string(*outcome.failure->number) : std::string("null"))
            << ", \"description\": " << jsonString(outcome.failure->description) << "}";
    } else {
        out << "null";
    }
    out << "}\n";
}

void printHuman(std::ostream& out, std::ostream& err, const Call& call, const std::vector<Value>& args,
                const Outcome& outcome, const std::vector<std::vector<std::string>>& lines)
{
    const Member& member = *call.member;
    if (member.result && !outcome.failure)
        out << "result: " << formatHuman(*member.result, outcome.result) << '\n';
    for (std::size_t i = 0; i < member.params.size(); ++i) {
        if (member.params[i].byRef)
            out << member.params[i].name << ": " << formatHuman(member.params[i].type, args[i]) << '\n';
    }
    for (std::size_t i = 0; i < call.lists.size(); ++i) {
        out << call.lists[i].first << ": " << lines[i].size() << (lines[i].size() == 1 ? " line\n" : " lines\n");
        for (const std::string& line : lines[i])
            out << "  " << formatHuman(Type::String, line) << '\n';
    }
    if (outcome.failure) {
        err << kProgram << ": " << member.name << ": ";
        if (outcome.failure->number)
            err << "run-time error " << *outcome.failure->number << ": ";
        err << outcome.failure->description << '\n';
    }
}

} // namespace

Call parseCall(const std::vector<std::string>& words, ListBoxes& lists)
{
    if (words.empty())
        throw UsageError("no member named; --list shows them");
    Call call;
    call.member = findMember(words[0]);
    if (!call.member)
        throw UsageError("no member named " + quotedWord(words[0]) + "; --list shows them");
    const Member& member = *call.member;
    const std::size_t given = words.size() - 1;
    if (given < member.requiredCount() || given > member.params.size()) {
        const std::size_t required = member.requiredCount();
        std::string expected = std::to_string(required);
        if (member.params.size() != required)
            expected += " to " + std::to_string(member.params.size());
        throw UsageError(member.name + " takes " + expected + " argument" + (member.params.size() == 1 ? "" : "s")
                         + ", not " + std::to_string(given) + "; usage: " + member.signature());
    }

    // Which argument takes which list box; the boxes are made below.
    std::vector<std::pair<std::size_t, std::string>> listArgs;
    for (std::size_t i = 0; i < member.params.size(); ++i) {
        const Param& param = member.params[i];
        if (i >= given) {
            call.args.push_back(defaultValue(param.type));
            continue;
        }
        const std::string& word = words[i + 1];
        if (param.type == Type::ListBox && !word.empty() && word[0] == '@') {
            if (word != "@list1" && word != "@list2")
                throw UsageError(member.name + ": " + argumentProblem(member, i, word, "is not @list1 or @list2"));
            listArgs.emplace_back(i, word.substr(1));
            call.args.push_back(std::int32_t{0});
            continue;
        }
        try {
            call.args.push_back(parseValue(param.type, word));
        } catch (const BadArgument& problem) {
            throw UsageError(member.name + ": " + argumentProblem(member, i, word, problem.what()));
        }
    }

    std::map<std::string, HWND> made;
    for (const auto& [index, name] : listArgs) {
        auto found = made.find(name);
        if (found == made.end())
            found = made.emplace(name, lists.create()).first;
        call.args[index] = found->second;
    }
    call.lists.assign(made.begin(), made.end());
    return call;
}

namespace {

// One call: MEMBER [ARG...]. In a batch with --json, a call that prints no
// object prints one saying why, so that each line of output answers one call.
int runCall(const std::vector<std::string>& words, bool json, bool batch, Win32Api& api, ListBoxes& lists,
            std::ostream& out, std::ostream& err)
{
    Call call;
    int status = 0;
    std::string problem;
    try {
        call = parseCall(words, lists);
    } catch (const UsageError& error) {
        status = 2;
        problem = error.what();
    } catch (const std::exception& error) {
        status = 1;
        problem = error.what();
    }
    if (status != 0) {
        const std::string message = std::string(kProgram) + ": " + problem;
        err << message << '\n';
        if (batch && json)
            out << "{\"exit\": " << status << ", \"message\": " << jsonString(message) << "}\n";
        out.flush();
        return status;
    }

    std::vector<Value> values = call.args;
    const Outcome outcome = callMember(call, values, api);
    std::vector<std::vector<std::string>> lines;
    for (const auto& [name, handle] : call.lists)
        lines.push_back(lists.lines(handle));

    if (json)
        printJson(out, call, values, outcome, lines);
    else
        printHuman(out, err, call, values, outcome, lines);
    out.flush();
    return outcome.failure ? 1 : 0;
}

// Reads one line of a batch as a POSIX shell reads plain words. Nothing for
// a line whose quote is not closed.
std::optional<std::vector<std::string>> splitLine(const std::string& line)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ' || c == '\t') {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\'') {
            const std::size_t close = line.find('\'', i + 1);
            if (close == std::string::npos)
                return std::nullopt;
            word.append(line, i + 1, close - i - 1);
            i = close;
        } else if (c == '"') {
            for (++i;; ++i) {
                if (i >= line.size())
                    return std::nullopt;
                if (line[i] == '"')
                    break;
                if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\'))
                    ++i;
                word += line[i];
            }
        } else if (c == '\\' && i + 1 < line.size()) {
            word += line[++i];
        } else {
            word += c;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

int runBatch(const std::string& file, bool json, Win32Api& api, ListBoxes& lists, std::ostream& out,
             std::ostream& err)
{
    std::ifstream opened;
    if (file != "-") {
        opened.open(file, std::ios::binary);
        if (!opened) {
            err << kProgram << ": cannot read the batch file " << quotedWord(file) << '\n';
            return 2;
        }
    }
    std::istream& in = file == "-" ? std::cin : opened;
    int worst = 0;
    std::string line;
    for (std::size_t number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        int status = 0;
        if (const auto words = splitLine(line)) {
            status = runCall(*words, json, true, api, lists, out, err);
        } else {
            const std::string message = std::string(kProgram) + ": line " + std::to_string(number)
                                        + ": a quote is not closed";
            err << message << '\n';
            if (json)
                out << "{\"exit\": 2, \"message\": " << jsonString(message) << "}\n";
            out.flush();
            status = 2;
        }
        worst = std::max(worst, status);
    }
    return worst;
}

} // namespace

int runTool(const std::vector<std::string>& args, Win32Api& api, ListBoxes& lists, std::ostream& out,
            std::ostream& err)
{
    bool json = false;
    std::optional<std::string> batch;
    std::size_t first = 0;
    for (; first < args.size() && args[first].size() > 1 && args[first][0] == '-'; ++first) {
        const std::string& option = args[first];
        if (option == "--json") {
            json = true;
        } else if (option == "--batch") {
            if (++first == args.size()) {
                err << kProgram << ": --batch needs a file (- for standard input)\n";
                return 2;
            }
            batch = args[first];
        } else if (option == "--list") {
            for (const Member& member : members())
                out << member.signature() << '\n';
            return 0;
        } else if (option == "--help" || option == "-h") {
            out << kHelp;
            return 0;
        } else if (option == "--version") {
            out << kProgram << ' ' << TARNQUILL_VERSION << '\n';
            return 0;
        } else {
            err << kProgram << ": unknown option " << quotedWord(option) << "; --help explains the command line\n";
            return 2;
        }
    }

    if (batch) {
        if (first != args.size()) {
            err << kProgram << ": --batch takes its calls from the file, not the command line\n";
            return 2;
        }
        return runBatch(*batch, json, api, lists, out, err);
    }
    return runCall({args.begin() + static_cast<std::ptrdiff_t>(first), args.end()}, json, false, api, lists, out,
                   err);
}

} // namespace tarnquill::tool
