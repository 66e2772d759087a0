// A source that another program cut while it was being converted: the records it no longer
// holds cannot be read, and the conversion ends with what was written.
#pragma once

#include <stdexcept>

namespace Calvorn {

class SourceChangedError : public std::runtime_error {
public:
    SourceChangedError() : std::runtime_error("源文件在转换中被截断") {}
};

}  // namespace Calvorn
