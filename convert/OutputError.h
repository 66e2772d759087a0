// Failure to create or write an output file; the message names the file.
#pragma once

#include <stdexcept>
#include <string>

namespace Calvorn {

class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace Calvorn
