// A fuzz target's own temporary directory, made on first use and set as TMPDIR so that
// the page files a run writes go there; it is removed, with what it holds, when the
// process exits.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

// "/tmp/spoolsight-fuzz-<name>-XXXXXX/", with its trailing '/'.
inline const std::string& FuzzTempDir(const char* name) {
    static const std::string dir = [name] {
        static std::string made = std::string("/tmp/spoolsight-fuzz-") + name + "-XXXXXX";
        if (!mkdtemp(made.data())) std::abort();
        setenv("TMPDIR", made.c_str(), 1);
        std::atexit([] { std::filesystem::remove_all(made); });
        return made + "/";
    }();
    return dir;
}
