// The four conversion options of one program run. They start from these defaults at every run,
// are changed by command-line switches and the settings dialog, and are never stored. An option
// is on only when it equals 1. The object belongs to the run (the desktop's main dialog object,
// the console's run) and is passed by reference to the converters.
#pragma once

namespace Calvorn {

struct ConversionOptions {
    int SplitAnnotations = 0;    // annotation points go to an output of their own
    int OutputProjection = 1;    // write a .prj and rescale by the projection's scale factor
    int StyleAsAttributes = 0;   // graphic parameters become .dbf fields
    int DeleteEmptyResults = 1;  // delete the outputs of a conversion that wrote no record
};

}  // namespace Calvorn
