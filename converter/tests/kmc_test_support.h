// Helpers shared by the converter tests: fixture paths, scratch folders, KMC text building
// and one call of convert_d with the buffers the loader uses.
#ifndef KMC_TEST_SUPPORT_H
#define KMC_TEST_SUPPORT_H

#include <filesystem>
#include <string>
#include <vector>

namespace kmctest {

std::string fixturePath(const std::string &name);
std::string examplePath(const std::string &name);
std::vector<unsigned char> readBytes(const std::string &path);
void writeBytes(const std::string &path, const std::string &bytes);

// A fresh folder under the system's temporary directory, removed with everything in it.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;
    std::string path() const { return m_path.string(); }
    // Writes the file and answers its full path.
    std::string write(const std::string &name, const std::string &bytes) const;

private:
    std::filesystem::path m_path;
};

// What one convert_d call gave back. The caller's image pointer and size start as sentinels,
// so a test can tell whether the call touched them.
struct Conversion {
    int result = -1;
    std::string message;
    unsigned char *image = nullptr;
    int imageSize = 0;
    bool imageTouched = false;
    std::vector<unsigned char> bytes;  // a copy of the image when one was handed out
};

Conversion convert(int ports, const std::string &path);

// The builder's refusal as the caller sees it.
std::string builderMessage(int code);

// Lines of a KMC file. The defaults give the header of a file for `ports` ports.
std::string geometryLine(int port, int screen, int diagonal, int width, int height, int x, int y,
                         char letter = 'L');
std::string passageLine(int port0, int screen0, char side0, int from0, int to0, int port1, int screen1,
                        char side1, int from1, int to1);

struct KmcFile {
    std::string version = "\"2.0\"";
    int ports = 4;
    int mouseSpeed = 5;
    std::vector<std::string> geometry;
    std::vector<std::string> passages;
    std::string newline = "\n";
    bool newlineAfterLastPassage = true;
    std::string text() const;
};

// The worked example: port 1 with two 1920x1080 screens side by side, port 2 with one
// 1680x1050 screen, and the two passages that join them.
KmcFile twoDesks();

}  // namespace kmctest

#endif
