// Builds the program's text table from the translators' catalogue.
//
//   make_string_tables CATALOGUE.po STRING_IDS.h OUTPUT.inc
//
// The catalogue is a gettext file whose source language is Japanese: each entry's msgctxt is a
// StringId name, its msgid the Japanese text and its msgstr the English one. The build fails,
// naming the line, when an id of the header has no entry or an entry no id, when an English
// text is missing, or when the two texts of an entry do not take the same printf arguments, since
// a text formatted with the other language's arguments would read past them.
//
// An entry whose comment says "#. command-line wording of ID" is the command line's wording of
// ID's text; it must take the same arguments as ID's.

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Entry {
    std::string id;
    std::string japanese;
    std::string english;
    std::string rewords;  // the id whose text this one words for the command line
    int line = 0;
};

struct Failure {
    std::string where;
    std::string what;
};

std::optional<std::string> Unquote(const std::string& quoted) {
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') return std::nullopt;
    std::string text;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        const char c = quoted[i];
        if (c != '\\') {
            if (c == '"') return std::nullopt;
            text += c;
            continue;
        }
        if (++i + 1 >= quoted.size()) return std::nullopt;
        switch (quoted[i]) {
            case 'n': text += '\n'; break;
            case 'r': text += '\r'; break;
            case 't': text += '\t'; break;
            case '"': text += '"'; break;
            case '\\': text += '\\'; break;
            default: return std::nullopt;
        }
    }
    return text;
}

// The catalogue's entries; the header entry (empty msgid) is passed over.
std::vector<Entry> ReadCatalogue(const std::string& path, std::vector<Failure>& failures) {
    std::ifstream in(path);
    if (!in) {
        failures.push_back({path, "cannot be read"});
        return {};
    }
    std::vector<Entry> entries;
    Entry current;
    std::string* field = nullptr;
    bool haveContext = false;
    const auto finish = [&] {
        if (haveContext) entries.push_back(current);
        current = Entry{};
        haveContext = false;
        field = nullptr;
    };
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string where = path + ":" + std::to_string(number);
        if (line.empty()) {
            finish();
            continue;
        }
        static const std::string kRewords = "#. command-line wording of ";
        if (line.rfind(kRewords, 0) == 0) {
            finish();
            current.rewords = line.substr(kRewords.size());
            continue;
        }
        if (line[0] == '#') continue;
        std::string quoted = line;
        if (line.rfind("msgctxt ", 0) == 0) {
            if (haveContext) finish();
            current.line = number;
            haveContext = true;
            field = &current.id;
            quoted = line.substr(8);
        } else if (line.rfind("msgid ", 0) == 0) {
            field = &current.japanese;
            quoted = line.substr(6);
        } else if (line.rfind("msgstr ", 0) == 0) {
            field = &current.english;
            quoted = line.substr(7);
        } else if (line[0] != '"' || field == nullptr) {
            failures.push_back({where, "is not a catalogue line"});
            continue;
        }
        const std::optional<std::string> text = Unquote(quoted);
        if (!text) {
            failures.push_back({where, "holds a badly quoted text"});
            continue;
        }
        *field += *text;
    }
    finish();
    return entries;
}

// The enumerators of `enum class StringId`, in the header's order.
std::vector<std::string> ReadIds(const std::string& path, std::vector<Failure>& failures) {
    std::ifstream in(path);
    std::stringstream whole;
    whole << in.rdbuf();
    const std::string text = whole.str();
    const std::size_t begin = text.find("enum class StringId");
    const std::size_t end = text.find("};", begin);
    if (!in || begin == std::string::npos || end == std::string::npos) {
        failures.push_back({path, "holds no enum class StringId"});
        return {};
    }
    std::vector<std::string> ids;
    const std::size_t open = text.find('{', begin) + 1;
    const std::string body = text.substr(open, end - open);
    const std::regex enumerator(R"(^\s*([A-Z][A-Za-z0-9]*)\s*(=[^,]*)?,)", std::regex::multiline);
    for (auto it = std::sregex_iterator(body.begin(), body.end(), enumerator); it != std::sregex_iterator(); ++it) {
        ids.push_back((*it)[1]);
    }
    return ids;
}

// The printf arguments a text takes, as argument position and conversion ("1:s", "2:d").
std::optional<std::vector<std::string>> Arguments(const std::string& text) {
    static const std::regex conversion(R"(%(?:([1-9][0-9]*)\$)?[-+ #0]*[0-9]*(?:\.[0-9]+)?(hh|h|ll|l|z|j|t)?([diouxXeEfgGcsp%]))");
    std::vector<std::string> arguments;
    int next = 1;
    std::size_t scanned = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), conversion); it != std::sregex_iterator(); ++it) {
        const std::smatch& match = *it;
        // A '%' that starts no conversion would be read as one by printf all the same.
        if (text.find('%', scanned) != static_cast<std::size_t>(match.position())) return std::nullopt;
        scanned = match.position() + match.length();
        if (match[3] == "%") continue;
        const int position = match[1].matched ? std::stoi(match[1]) : next++;
        std::string type = match[3];
        if (type == "i") type = "d";
        arguments.push_back(std::to_string(position) + ":" + std::string(match[2]) + type);
    }
    if (text.find('%', scanned) != std::string::npos) return std::nullopt;
    std::sort(arguments.begin(), arguments.end());
    return arguments;
}

std::string CppLiteral(const std::string& text) {
    std::string literal = "\"";
    for (const char c : text) {
        switch (c) {
            case '"': literal += "\\\""; break;
            case '\\': literal += "\\\\"; break;
            case '\n': literal += "\\n"; break;
            case '\r': literal += "\\r"; break;
            case '\t': literal += "\\t"; break;
            default: literal += c;
        }
    }
    return literal + "\"";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: make_string_tables CATALOGUE.po STRING_IDS.h OUTPUT.inc\n";
        return 2;
    }
    const std::string catalogue = argv[1];
    std::vector<Failure> failures;
    const std::vector<Entry> entries = ReadCatalogue(catalogue, failures);
    const std::vector<std::string> ids = ReadIds(argv[2], failures);

    std::map<std::string, const Entry*> byId;
    for (const Entry& entry : entries) {
        const std::string where = catalogue + ":" + std::to_string(entry.line);
        if (!byId.emplace(entry.id, &entry).second) failures.push_back({where, entry.id + " has a second entry"});
        if (std::find(ids.begin(), ids.end(), entry.id) == ids.end()) {
            failures.push_back({where, entry.id + " is no StringId"});
        }
        if (entry.japanese.empty() || entry.english.empty()) {
            failures.push_back({where, entry.id + " lacks its Japanese or English text"});
        }
        const auto japanese = Arguments(entry.japanese);
        const auto english = Arguments(entry.english);
        if (!japanese || !english) {
            failures.push_back({where, entry.id + " holds a '%' that is no conversion (write %%)"});
        } else if (*japanese != *english) {
            failures.push_back({where, entry.id + ": the English text takes other printf arguments than the Japanese"});
        }
    }
    for (const Entry& entry : entries) {
        if (entry.rewords.empty()) continue;
        const auto original = byId.find(entry.rewords);
        if (original == byId.end() || !original->second->rewords.empty()) {
            failures.push_back({catalogue + ":" + std::to_string(entry.line), entry.id + " rewords no plain entry"});
        } else if (Arguments(original->second->japanese) != Arguments(entry.japanese)) {
            failures.push_back({catalogue + ":" + std::to_string(entry.line),
                                entry.id + " takes other printf arguments than " + entry.rewords});
        }
    }
    for (const std::string& id : ids) {
        if (byId.count(id) == 0) failures.push_back({catalogue, id + " has no entry"});
    }
    if (!failures.empty()) {
        for (const Failure& failure : failures) std::cerr << failure.where << ": " << failure.what << '\n';
        return 1;
    }

    std::ofstream out(argv[3], std::ios::trunc);
    out << "// Made by make_string_tables from " << catalogue << "; edit the catalogue, not this file.\n";
    for (const std::string& id : ids) {
        const Entry& entry = *byId.at(id);
        const std::string& rewords = entry.rewords.empty() ? id : entry.rewords;
        out << "{StringId::" << id << ", StringId::" << rewords << ", " << CppLiteral(entry.japanese) << ", "
            << CppLiteral(entry.english) << "},\n";
    }
    out.close();
    if (!out) {
        std::cerr << argv[3] << ": cannot be written\n";
        return 1;
    }
    return 0;
}
