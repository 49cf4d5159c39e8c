// The two exported entry points. All state is static: the image handed out is the same block
// for every call and stays valid until the next call starts.
#include "zentrix.h"

#include "image_builder.h"
#include "kmc_parser.h"
#include "line_reader.h"
#include "message_buffer.h"

namespace {

zentrix::KmcData s_data;
uint8_t s_image[zentrix_image::kSize];

}  // namespace

extern "C" int convert_d(int ports, const char *path, char *message, int messageSize,
                         unsigned char **image, int *imageSize)
{
    using namespace zentrix;
    MessageBuffer out(message, messageSize);
    if (ports < 1 || ports > MAX_PORTS) {
        out.write("Invalid number of ports");
        return 1;
    }
    s_data.ports = ports;

    FileSource file;
    if (!file.open(path)) {
        out.write("Cannot open test.kmc");
        return 1;
    }
    LineReader reader(file.source());
    int result = 1;
    if (parseKmc(reader, s_data, out) == ParseResult::Complete) {
        result = buildImage(s_data, s_image);
        if (result != kBuildOk) {
            out.write("Could not convert data: error #%d", result - 15);
        } else {
            out.write("Converted");
            if (image)
                *image = s_image;
            if (imageSize)
                *imageSize = zentrix_image::kSize;
        }
    }
    file.close();
    return result;
}

extern "C" void get_version(int *first, int *second, int *third)
{
    // Null pointers are skipped rather than written through.
    if (first)
        *first = 2;
    if (second)
        *second = 2;
    if (third)
        *third = 101;
}
