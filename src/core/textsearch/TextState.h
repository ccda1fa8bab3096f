#pragma once

// Whether a file still needs its text read.
enum class TextState {
    Unread,        // no level marker and no text attribute
    ReadWithFast,  // the marker reads "fast"
    Searchable,    // any other marker, or a text attribute without a marker
};
