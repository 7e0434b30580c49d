// quorvel-reg: exports, imports and deletes keys of Quorvel's registry
// store, sets the per-key read right, and tells where the store and the
// serial ports are. See docs/registry.md.
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "pal/PAL_Comm.h"
#include "pal/PAL_Error.h"
#include "pal/PAL_Locations.h"
#include "pal/PAL_Registry.h"
#include "regtool/RegText.h"

namespace {

constexpr const char* kUsage =
    "usage: quorvel-reg export [KEY]\n"
    "       quorvel-reg import FILE|-\n"
    "       quorvel-reg delete KEY [VALUE]\n"
    "       quorvel-reg deny-read KEY | allow-read KEY\n"
    "       quorvel-reg where [PORT]\n"
    "KEY is a path below HKEY_LOCAL_MACHINE, with or without that prefix.\n";

int Failed(const std::string& what, pal::LONG code) {
    std::cerr << "quorvel-reg: " << what << ": Windows error " << code << "\n";
    return 1;
}

bool KeyArgument(const std::string& argument, std::string& path) {
    if (regtool::KeyPathOfArgument(argument, path)) {
        return true;
    }
    std::cerr << "quorvel-reg: keys are below HKEY_LOCAL_MACHINE: " << argument << "\n";
    return false;
}

int Export(const std::string& path) {
    std::string text;
    const pal::LONG status = regtool::ExportText(path, text);
    if (status != pal::ERROR_SUCCESS) {
        return Failed("export of \"" + path + "\"", status);
    }
    std::cout << text;
    return 0;
}

int Import(const std::string& file) {
    std::string text;
    if (file == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        std::ifstream input(file, std::ios::binary);
        if (!input) {
            std::cerr << "quorvel-reg: cannot read " << file << "\n";
            return 1;
        }
        text.assign(std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>());
    }
    regtool::Import_t import;
    std::string error;
    if (!regtool::ParseText(text, import, error)) {
        std::cerr << "quorvel-reg: " << file << ": " << error << "; nothing changed\n";
        return 1;
    }
    std::size_t failed = 0;
    const pal::LONG status = pal::RegApplyEdits(import.edits, &failed);
    if (status != pal::ERROR_SUCCESS) {
        const std::string line =
            failed < import.lines.size() ? std::to_string(import.lines[failed]) : "?";
        return Failed(file + ": line " + line + " (nothing changed)", status);
    }
    return 0;
}

int Delete(const std::string& path, const char* value) {
    if (value == nullptr) {
        const pal::LONG status = pal::RegDeleteTreeA(pal::HKEY_LOCAL_MACHINE, path.c_str());
        return status == pal::ERROR_SUCCESS ? 0 : Failed("delete \"" + path + "\"", status);
    }
    pal::HKEY key = 0;
    pal::LONG status =
        pal::RegOpenKeyExA(pal::HKEY_LOCAL_MACHINE, path.c_str(), 0, pal::KEY_SET_VALUE, &key);
    if (status == pal::ERROR_SUCCESS) {
        status = pal::RegDeleteValueA(key, value);
        pal::RegCloseKey(key);
    }
    return status == pal::ERROR_SUCCESS
               ? 0
               : Failed("delete value \"" + std::string(value) + "\"", status);
}

int SetReadDenied(const std::string& path, bool denied) {
    pal::HKEY key = 0;
    pal::LONG status =
        pal::RegOpenKeyExA(pal::HKEY_LOCAL_MACHINE, path.c_str(), 0, pal::KEY_ALL_ACCESS, &key);
    if (status == pal::ERROR_SUCCESS) {
        status = pal::RegSetKeyReadDenied(key, denied ? pal::TRUE : pal::FALSE);
        pal::RegCloseKey(key);
    }
    return status == pal::ERROR_SUCCESS ? 0 : Failed("read right of \"" + path + "\"", status);
}

// The file a port name resolves to, and the terminal behind a virtual port.
int WherePort(const std::string& name) {
    std::string path;
    const pal::DWORD status = pal::ResolvePortName(name, path);
    if (status != pal::ERROR_SUCCESS) {
        return Failed("port \"" + name + "\"", static_cast<pal::LONG>(status));
    }
    std::cout << path;
    std::string target(4096, '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length > 0) {
        target.resize(static_cast<std::size_t>(length));
        std::cout << " -> " << target;
    }
    std::cout << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    std::string path;
    if (command == "export" && argc <= 3) {
        return KeyArgument(argc == 3 ? argv[2] : "", path) ? Export(path) : 1;
    }
    if (command == "import" && argc == 3) {
        return Import(argv[2]);
    }
    if (command == "delete" && (argc == 3 || argc == 4)) {
        return KeyArgument(argv[2], path) ? Delete(path, argc == 4 ? argv[3] : nullptr) : 1;
    }
    if ((command == "deny-read" || command == "allow-read") && argc == 3) {
        return KeyArgument(argv[2], path) ? SetReadDenied(path, command == "deny-read") : 1;
    }
    if (command == "where" && argc == 2) {
        std::cout << pal::RegistryFilePath() << "\n";
        return 0;
    }
    if (command == "where" && argc == 3) {
        return WherePort(argv[2]);
    }
    std::cerr << kUsage;
    return 2;
}
