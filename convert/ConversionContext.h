// What a front end hands the engine besides the conversion options and the name tables: where
// its log lines go and how its outputs reach the disk. Nothing of it is process-wide, so two
// runs in one process (or one batch's threads) each have their own.
#pragma once

#include "app/LogSink.h"
#include "convert/ShapelibIo.h"

namespace Calvorn {

// How many threads a file's record loop uses. Auto (the default): a second one for a file with
// enough slots left while a core is spare (CoreShare); One and Two, whatever the file and the
// machine, are for tests and measurements.
enum class RecordThreads { Auto, One, Two };

struct ConversionContext {
    LogSink* log = nullptr;  // never null in use; the program's log is CConvertLog::Get()
    OutputPolicy output;
    RecordThreads threads = RecordThreads::Auto;
};

// The context of a front end that writes to the program's log with the default policy.
ConversionContext ProgramContext();

}  // namespace Calvorn
