// The .dbf field types the program writes (shapelib's FTString, FTInteger, FTDouble, FTLogical).
#pragma once

namespace Calvorn {

enum class DbfFieldType { String, Integer, Double, Logical };

}  // namespace Calvorn
