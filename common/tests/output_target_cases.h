// The kinds of thing a tool's output name can be, each made in a scratch folder, and what must be
// there after the tool wrote to it: the bytes in the one file that should get them and every
// other name exactly as it was. Shared by the tests of every tool that writes through output_file.h.
#ifndef TREVIK_OUTPUT_TARGET_CASES_H
#define TREVIK_OUTPUT_TARGET_CASES_H

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace outputtest {

struct Run {
    int status = -1;
    std::string out, err;
};

inline std::string shellQuoted(const std::string &word)
{
    std::string q = "'";
    for (char c : word)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh folder, removed with everything in it at the end.
struct Scratch {
    std::string path = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "output-target-XXXXXX").string();
        return mkdtemp(pattern.data()) ? pattern : "";
    }();
    ~Scratch() { std::error_code ignored; std::filesystem::remove_all(path, ignored); }
};

// Whether `command` succeeds through sh in `folder` under umask 022.
inline bool succeedsIn(const std::string &folder, const std::string &command)
{
    return std::system(("cd " + shellQuoted(folder) + " && umask 022 && " + command).c_str()) == 0;
}

// `words` through sh under umask 022, after `shell` (which may also wrap it: "unshare ... sh -c").
// A tool that hangs (on a FIFO nobody reads, say) is ended after a minute: status 124 or 143.
inline Run run(const std::vector<std::string> &words, const std::string &shell = "")
{
    Scratch capture;
    std::string command = "umask 022; timeout 60 " + shell;
    for (const std::string &w : words)
        command += " " + shellQuoted(w);
    command += " >" + shellQuoted(capture.path + "/out") + " 2>" + shellQuoted(capture.path + "/err") + " </dev/null";
    const int raw = std::system(command.c_str());
    return {raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(capture.path + "/out"),
            slurp(capture.path + "/err")};
}

inline std::string fileEntry(const std::string &mode, const std::string &bytes)
{
    return "file " + mode + ", " + std::to_string(bytes.size()) + " bytes #" +
           std::to_string(std::hash<std::string> {}(bytes));
}

// Every name under `folder` with its kind, mode, and content, link text or device numbers.
inline std::map<std::string, std::string> snapshot(const std::string &folder)
{
    std::map<std::string, std::string> names;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(folder)) {
        struct stat st {};
        lstat(entry.path().c_str(), &st);
        char mode[8];
        std::snprintf(mode, sizeof mode, "%03o", unsigned(st.st_mode & 0777));
        std::string &what = names[entry.path().lexically_relative(folder).string()];
        if (S_ISREG(st.st_mode))
            what = fileEntry(mode, slurp(entry.path()));
        else if (S_ISLNK(st.st_mode))
            what = "link to " + std::filesystem::read_symlink(entry.path()).string();
        else if (S_ISCHR(st.st_mode))
            what = "device " + std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
        else
            what = S_ISFIFO(st.st_mode) ? "fifo" : S_ISDIR(st.st_mode) ? "folder" : "other";
    }
    return names;
}

struct TargetCase {
    const char *family;
    const char *setup;    // shell, in the scratch folder; the tool is then given the name "out"
    const char *receiver; // the file that must hold the bytes, with `mode`; "" when none does
    const char *mode;
    const char *refusal;  // null: written; else words the tool's error must contain
    bool reader = false;  // a reader holds the FIFO open while the tool runs
};

#define TREVIK_MKNOD_LIKE(device) \
    "mknod out c 0x$(stat -c %t " device ") 0x$(stat -c %T " device ")"

// Targets any user can make.
inline std::vector<TargetCase> plainTargets()
{
    return {
        {"a new name", "true", "out", "644", nullptr},
        {"an existing file keeps its mode", "printf old >out && chmod 640 out", "out", "640", nullptr},
        {"a chain of links: its final file replaced, the links kept",
         "printf old >real && chmod 600 real && mkdir sub && ln -s ../real sub/hop && ln -s sub/hop out", "real", "600",
         nullptr},
        {"a dangling link: its final file created", "ln -s made out", "made", "644", nullptr},
        {"a link into a missing folder", "ln -s nowhere/made out", "", "", "No such file or directory"},
        {"a link to /dev/full", "ln -s /dev/full out", "", "", "No space left on device"},
        {"a FIFO with a reader", "mkfifo out", "", "", nullptr, true},
        {"a FIFO without a reader", "mkfifo out", "", "", "no process reads the FIFO"},
        {"a folder", "mkdir out && printf old >out/kept", "", "", "is a folder"},
    };
}

// Device nodes of our own, which only root may make: written into, never replaced.
inline std::vector<TargetCase> deviceTargets()
{
    return {
        {"a private device like /dev/null", TREVIK_MKNOD_LIKE("/dev/null"), "", "", nullptr},
        {"a private device like /dev/full", TREVIK_MKNOD_LIKE("/dev/full"), "", "", "No space left on device"},
    };
}

// The tool's command line that writes `bytes` to the name it is given.
using CommandFor = std::function<std::vector<std::string>(const std::string &out)>;

inline void expectTargetHandled(const TargetCase &c, const std::string &bytes, const CommandFor &command, int failure)
{
    SCOPED_TRACE(c.family);
    Scratch folder;
    ASSERT_TRUE(succeedsIn(folder.path, c.setup));
    const std::string out = folder.path + "/out";
    const int reader = c.reader ? open(out.c_str(), O_RDONLY | O_NONBLOCK) : -1;
    std::map<std::string, std::string> want = snapshot(folder.path);
    const Run r = run(command(out));
    if (c.refusal) {
        EXPECT_EQ(r.status, failure);
        EXPECT_NE(r.err.find(c.refusal), std::string::npos) << r.err;
    } else {
        EXPECT_EQ(r.status, 0) << r.err;
        if (*c.receiver)
            want[c.receiver] = fileEntry(c.mode, bytes);
    }
    EXPECT_EQ(snapshot(folder.path), want);
    if (reader >= 0) {
        std::string got(bytes.size() + 1, '\0');
        const ssize_t n = read(reader, got.data(), got.size());
        got.resize(n > 0 ? std::size_t(n) : 0);
        EXPECT_TRUE(got == bytes) << got.size() << " bytes read from the FIFO, want " << bytes.size();
        close(reader);
    }
}

// `words` run by sh `script` in a mount namespace of its own, with `folder` as $0.
inline Run runPrivately(const std::vector<std::string> &words, const std::string &script, const std::string &folder)
{
    return run(words, "unshare -m sh -c " + shellQuoted(script) + " " + shellQuoted(folder));
}

// The tool writes over "out" in a private 12 KiB tmpfs that a filler has left full: it fails
// with the system's reason, "out" keeps its old bytes and nothing else is left there.
inline void expectFullFolderHandled(const CommandFor &command, int failure)
{
    Scratch folder;
    const std::string script = "mount -t tmpfs -o size=12k tmpfs \"$0/mnt\" && cd \"$0/mnt\" && printf old >out && "
                               "{ cat /dev/zero >filler; } 2>/dev/null; \"$@\"; status=$?; "
                               "ls -A >\"$0/left\"; cat out >\"$0/kept\"; exit $status";
    ASSERT_TRUE(std::filesystem::create_directory(folder.path + "/mnt"));
    const Run r = runPrivately(command(folder.path + "/mnt/out"), script, folder.path);
    EXPECT_EQ(r.status, failure);
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
    EXPECT_EQ(slurp(folder.path + "/left"), "filler\nout\n");
    EXPECT_EQ(slurp(folder.path + "/kept"), "old");
}

// /dev/stdout, a link to the tool's own standard output (a pipe here), in a private /dev so
// that a tool that replaced it would harm nothing: the bytes reach the pipe and the link stays.
inline void expectDevStdoutWrittenInto(const CommandFor &command, const std::string &bytes)
{
    Scratch folder;
    const std::string script = "mount -t tmpfs tmpfs /dev && ln -s /proc/self/fd/1 /dev/stdout && "
                               "{ \"$@\" 2>\"$0/err\"; echo $? >\"$0/status\"; } | cat >\"$0/piped\"; "
                               "ls -l /dev/stdout | cut -c1 >\"$0/kind\"";
    const Run r = runPrivately(command("/dev/stdout"), script, folder.path);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(slurp(folder.path + "/status"), "0\n") << slurp(folder.path + "/err");
    const std::string piped = slurp(folder.path + "/piped");
    EXPECT_TRUE(piped.size() >= bytes.size() && piped.compare(piped.size() - bytes.size(), bytes.size(), bytes) == 0)
        << piped.size() << " bytes through the pipe; the last " << bytes.size() << " must be the output";
    EXPECT_EQ(slurp(folder.path + "/kind"), "l\n");
}

// Whether this process may make a device node (root with CAP_MKNOD, not every container).
inline bool mayMakeDevices() { return succeedsIn(Scratch().path, TREVIK_MKNOD_LIKE("/dev/null") " 2>/dev/null"); }

// Whether this process may mount a tmpfs in a mount namespace of its own.
inline bool mayMountPrivateTmpfs() { return succeedsIn(Scratch().path, "unshare -m mount -t tmpfs -o size=12k tmpfs . 2>/dev/null"); }

} // namespace outputtest

#endif
