// The KMC parser: a state machine over the file's lines that checks syntax, order and counts
// and collects the geometry and passage tables. Checks on the values belong to the builder.
#ifndef ZENTRIX_KMC_PARSER_H
#define ZENTRIX_KMC_PARSER_H

#include "kmc_types.h"
#include "line_reader.h"
#include "message_buffer.h"

namespace zentrix {

enum class ParseResult {
    Failed,    // a message was written; nothing is to be built
    Complete,  // the passage section ended: `data` is ready for the builder
};

// Reads lines from `reader` until the first failure or the end of the passage section.
// `data.ports` must hold the expected port count; the other fields are overwritten.
ParseResult parseKmc(LineReader &reader, KmcData &data, MessageBuffer &message);

}  // namespace zentrix

#endif
