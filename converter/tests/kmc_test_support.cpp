#include "kmc_test_support.h"

#include <zentrix.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kmctest {

namespace {
// Addresses that no conversion can hand out, to see whether a call wrote through the pointers.
unsigned char g_untouchedImage;
constexpr int kUntouchedSize = -7;
constexpr int kLoaderMessageSize = 256;
}  // namespace

std::string fixturePath(const std::string &name) { return std::string(KMC_FIXTURE_DIR) + "/" + name; }

std::string examplePath(const std::string &name) { return std::string(KMC_EXAMPLES_DIR) + "/" + name; }

std::vector<unsigned char> readBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

ScratchDir::ScratchDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zentrix-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string ScratchDir::write(const std::string &name, const std::string &bytes) const
{
    const std::string full = (m_path / name).string();
    writeBytes(full, bytes);
    return full;
}

Conversion convert(int ports, const std::string &path)
{
    Conversion c;
    char message[kLoaderMessageSize];
    std::fill(std::begin(message), std::end(message), '\x7f');
    unsigned char *image = &g_untouchedImage;
    int imageSize = kUntouchedSize;
    c.result = convert_d(ports, path.c_str(), message, kLoaderMessageSize, &image, &imageSize);
    // A message without its terminator inside the buffer shows up as the whole buffer.
    c.message.assign(message, strnlen(message, sizeof message));
    c.imageTouched = image != &g_untouchedImage || imageSize != kUntouchedSize;
    c.image = image == &g_untouchedImage ? nullptr : image;
    c.imageSize = imageSize;
    if (c.result == 0 && c.image && imageSize > 0)
        c.bytes.assign(image, image + imageSize);
    return c;
}

std::string builderMessage(int code) { return "Could not convert data: error #" + std::to_string(code - 15); }

std::string geometryLine(int port, int screen, int diagonal, int width, int height, int x, int y, char letter)
{
    return std::to_string(port) + " " + std::to_string(screen) + " " + std::to_string(diagonal) + " " +
           std::to_string(width) + ":" + std::to_string(height) + " " + letter + " \"0,0\" \"" + std::to_string(x) +
           "," + std::to_string(y) + "\"";
}

std::string passageLine(int port0, int screen0, char side0, int from0, int to0, int port1, int screen1, char side1,
                        int from1, int to1)
{
    auto half = [](int port, int screen, char side, int from, int to) {
        return "\"" + std::to_string(port) + "," + std::to_string(screen) + "\" " + side + " \"" +
               std::to_string(from) + "," + std::to_string(to) + "\"";
    };
    return half(port0, screen0, side0, from0, to0) + " " + half(port1, screen1, side1, from1, to1);
}

std::string KmcFile::text() const
{
    std::string t;
    auto line = [&](const std::string &s) { t += s + newline; };
    line("Version=" + version);
    line("#General");
    line("Number of Ports=" + std::to_string(ports));
    line("Mouse Speed=" + std::to_string(mouseSpeed));
    line("#Geometry");
    for (const auto &g : geometry)
        line(g);
    line("");
    line("#pass");
    for (const auto &p : passages)
        line(p);
    if (!newlineAfterLastPassage && !passages.empty())
        t.resize(t.size() - newline.size());
    return t;
}

KmcFile twoDesks()
{
    KmcFile f;
    f.geometry = {geometryLine(1, 1, 24, 1920, 1080, 0, 0), geometryLine(1, 2, 24, 1920, 1080, 1920, 0),
                  geometryLine(2, 1, 22, 1680, 1050, 0, 0)};
    f.passages = {passageLine(1, 1, 'R', 0, 1079, 1, 2, 'L', 0, 1079),
                  passageLine(1, 2, 'R', 540, 1079, 2, 1, 'L', 0, 1049)};
    return f;
}

}  // namespace kmctest
