// Result codes of the reader.
#pragma once

namespace Torvex {

enum Result : int {
    kNotSystemFile = -10000,  // not a file of this system
    kNotTorvexFile = -9997,   // not a Torvex file
    kOpenFailed = -9996,      // the file could not be opened
    kSourceChanged = -9984,   // the file shrank while it was read: the slot is no longer there
    kReadFailed = -9983,      // a read failed or a record is damaged
    kWriteFailed = -9982,     // a write failed (never returned by a reader that only reads)
    kDeleted = -9981,         // the record slot is marked deleted
    kFieldDefinitionError = -9980,
    kNoSuchSlot = -1,     // no file open, or the slot index is out of range
    kWrongKind = -2,      // the read does not match the file kind (e.g. lines from a table)
    kRecordRead = 99999,  // the record slot was read
};

// File kinds stored in the header.
enum class FileKind : int { Point = 1, Line = 2, Polygon = 3, Table = 4, Project = 5 };

// The kind's name as the JSON description and messages write it ("point", "line", ...).
constexpr const char* FileKindName(FileKind kind)
{
    switch (kind) {
        case FileKind::Point:
            return "point";
        case FileKind::Line:
            return "line";
        case FileKind::Polygon:
            return "polygon";
        case FileKind::Table:
            return "table";
        case FileKind::Project:
            return "project";
    }
    return "unknown";
}

}  // namespace Torvex
