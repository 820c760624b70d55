#pragma once

#include "data/connection.h"

#include <cstddef>

namespace dbc::bench {

// Rows fetched by the floor of a capture.
struct CaptureRows {
    std::size_t columns = 0;
    std::size_t indexKeys = 0;
    std::size_t objects = 0;  // procedure, view and trigger names
    std::size_t textRows = 0; // sp_helptext rows of all of them
    std::size_t defaults = 0;
};

// The floor of a capture: sends the capture's catalog queries to `source`,
// text for text and in the capture's order (columns, index keys, the name
// list and one sp_helptext per object for procedures, views and triggers,
// asked for as the connection's openEach groups them, defaults), and fetches
// their rows without writing anything. A text query the server refuses
// counts as an object without text, as in the capture.
CaptureRows fetchCaptureRows(Connection& source);

} // namespace dbc::bench
