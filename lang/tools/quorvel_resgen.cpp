// Build tool: turns a strings file ("ID<TAB>text") and a resource table
// ("TYPE<TAB>ID<TAB>file") into the C++ source of a resource module's
// directory (see lang/README.md). Usage:
//   quorvel_resgen <out.cpp> <strings.txt> [<table.txt> <source dir> <generated dir>]
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Entry_t {
    unsigned typeId = 0;
    std::string typeName;
    unsigned id = 0;
    std::string bytes;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
    std::cerr << where << ": " << what << "\n";
    std::exit(1);
}

bool ParseNumber(const std::string& text, unsigned& value) {
    if (text.empty() || text.size() > 5) {
        return false;
    }
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value <= 0xFFFF;
}

std::string Unescape(const std::string& text, const std::string& where) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) {
            Fail(where, "a lone backslash ends the text");
        }
        switch (text[i]) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                Fail(where, std::string("unknown escape \\") + text[i]);
        }
    }
    return out;
}

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Fail(path, "cannot be read");
    }
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

bool IsSkipped(const std::string& line) {
    return line.empty() || line[0] == '#';
}

std::string ReadFile(const std::string& path, const std::string& where) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Fail(where, "cannot read " + path);
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ReadStrings(const std::string& path, std::vector<Entry_t>& entries) {
    const std::vector<std::string> lines = Lines(path);
    std::set<unsigned> seen;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::string where = path + ":" + std::to_string(n + 1);
        if (IsSkipped(lines[n])) {
            continue;
        }
        const std::size_t tab = lines[n].find('\t');
        unsigned id = 0;
        if (tab == std::string::npos || !ParseNumber(lines[n].substr(0, tab), id)) {
            Fail(where, "expected ID<TAB>text");
        }
        if (!seen.insert(id).second) {
            Fail(where, "string " + std::to_string(id) + " is listed twice");
        }
        Entry_t e;
        e.typeId = 6;  // RT_STRING
        e.id = id;
        e.bytes = Unescape(lines[n].substr(tab + 1), where);
        if (e.bytes.empty() || e.bytes.find('\0') != std::string::npos) {
            Fail(where, "a string must be non-empty text");
        }
        entries.push_back(e);
    }
}

void ReadTable(const std::string& path, const std::string& sourceDir, const std::string& genDir,
               std::vector<Entry_t>& entries) {
    const std::map<std::string, unsigned> knownTypes = {{"BITMAP", 2}, {"ICON", 3}, {"DIALOG", 5}};
    const std::vector<std::string> lines = Lines(path);
    std::set<std::pair<std::string, unsigned>> seen;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::string where = path + ":" + std::to_string(n + 1);
        if (IsSkipped(lines[n])) {
            continue;
        }
        std::istringstream fields(lines[n]);
        std::string type;
        std::string idText;
        std::string file;
        if (!std::getline(fields, type, '\t') || !std::getline(fields, idText, '\t') ||
            !std::getline(fields, file) || file.empty()) {
            Fail(where, "expected TYPE<TAB>ID<TAB>file");
        }
        Entry_t e;
        if (!ParseNumber(idText, e.id)) {
            Fail(where, "bad resource ID '" + idText + "'");
        }
        const auto known = knownTypes.find(type);
        if (known != knownTypes.end()) {
            e.typeId = known->second;
        } else if (!ParseNumber(type, e.typeId) || e.typeId == 0) {
            e.typeId = 0;
            e.typeName = type;
            if (type.empty() || type == "STRING") {
                Fail(where, "bad resource type '" + type + "'");
            }
        }
        if (!seen.insert({type, e.id}).second) {
            Fail(where, "resource listed twice");
        }
        const std::string source =
            file[0] == '@' ? genDir + "/" + file.substr(1) : sourceDir + "/" + file;
        e.bytes = ReadFile(source, where);
        if (e.bytes.empty()) {
            Fail(where, source + " is empty");
        }
        entries.push_back(e);
    }
}

std::string CLiteral(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

void Write(const std::string& path, const std::vector<Entry_t>& entries) {
    std::ofstream out(path, std::ios::binary);
    out << "// Generated by quorvel_resgen; do not edit.\n"
           "#include \"pal/PAL_Resource.h\"\n\nnamespace {\n\n";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        out << "const std::uint8_t kData" << i << "[] = {";
        const std::string& bytes = entries[i].bytes;
        for (std::size_t b = 0; b < bytes.size(); ++b) {
            out << (b % 16 == 0 ? "\n    " : " ")
                << static_cast<unsigned>(static_cast<unsigned char>(bytes[b])) << ",";
        }
        out << "\n};\n";
    }
    out << "\nconst pal::ResourceEntry_t kEntries[] = {\n";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry_t& e = entries[i];
        out << "    {" << e.typeId << ", "
            << (e.typeName.empty() ? std::string("nullptr") : CLiteral(e.typeName)) << ", " << e.id
            << ", kData" << i << ", sizeof kData" << i << "},\n";
    }
    out << "};\n\n}  // namespace\n\n"
           "extern \"C\" [[gnu::visibility(\"default\")]] const pal::ResourceDirectory_t "
           "QuorvelResourceDirectory;\n"
           "const pal::ResourceDirectory_t QuorvelResourceDirectory = {\n"
           "    pal::kResourceDirectoryMagic, pal::kResourceDirectoryVersion,\n"
           "    sizeof kEntries / sizeof kEntries[0], kEntries};\n";
    if (!out) {
        Fail(path, "cannot be written");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 6) {
        std::cerr << "usage: quorvel_resgen <out.cpp> <strings.txt> [<table.txt> <source dir> "
                     "<generated dir>]\n";
        return 2;
    }
    std::vector<Entry_t> entries;
    ReadStrings(argv[2], entries);
    if (argc == 6) {
        ReadTable(argv[3], argv[4], argv[5], entries);
    }
    if (entries.empty()) {
        Fail(argv[2], "no resources at all");
    }
    Write(argv[1], entries);
    return 0;
}
