#include "projection/PrjTables.h"

namespace Calvorn {

// clang-format off

const std::array<std::string_view, DatumCount> DatumTexts = {
    "GEOGCS[\"GCS_UnDefine\","
    "DATUM[\"D_UnDefine\","
    "SPHEROID[\"UnDefine\",6370997,298.3]],"
    "PRIMEM[\"Greenwich\",0.0],",
    "GEOGCS[\"GCS_Beijing_1954\","
    "DATUM[\"D_Beijing_1954\","
    "SPHEROID[\"Krasovsky_1940\",6378245,298.3]],"
    "PRIMEM[\"Greenwich\",0],",
    "GEOGCS[\"GCS_Xian_1980\","
    "DATUM[\"D_Xian_1980\","
    "SPHEROID[\"Xian_1980\",6378140.0,298.257]],"
    "PRIMEM[\"Greenwich\",0.0],",
    "GEOGCS[\"GCS_IUGG_1979\","
    "DATUM[\"D_IUGG_1979\","
    "SPHEROID[\"IUGG_1979\",6378137.0,298.257]],"
    "PRIMEM[\"Greenwich\",0.0],",
    "GEOGCS[\"GCS_IUGG_1983\","
    "DATUM[\"D_IUGG_1983\","
    "SPHEROID[\"IUGG_1983\",6378136.0,298.257]],"
    "PRIMEM[\"Greenwich\",0.0],",
    "GEOGCS[\"GCS_UserDefine\","
    "DATUM[\"D_UserDefine\","
    "SPHEROID[\"UserDefine\",6370997,]],"
    "PRIMEM[\"Greenwich\",0.0],",
    "GEOGCS[\"GCS_IUGG_1967\","
    "DATUM[\"D_IUGG_1967\","
    "SPHEROID[\"IUGG_1967\",6378160.0,298.257]],"
    "PRIMEM[\"Greenwich\",0.0],",
    "GEOGCS[\"GCS_WGS_1984\","
    "DATUM[\"D_WGS_1984\","
    "SPHEROID[\"WGS_1984\",6378137,298.257223563]],"
    "PRIMEM[\"Greenwich\",0],",
    "GEOGCS[\"GCS_GRS_1980\","
    "DATUM[\"D_GRS_1980\","
    "SPHEROID[\"GRS_1980\",6378137,298.257222101]],"
    "PRIMEM[\"Greenwich\",0],",
    "GEOGCS[\"GCS_WGS_1972\","
    "DATUM[\"D_WGS_1972\","
    "SPHEROID[\"WGS_1972\",6378135,298.26]],"
    "PRIMEM[\"Greenwich\",0],",
    "GEOGCS[\"GCS_Anna_1_1965\","
    "DATUM[\"D_Anna_1_1965\","
    "SPHEROID[\"Australian\",6378160,298.25]],"
    "PRIMEM[\"Greenwich\",0],",
    "GEOGCS[\"GCS_Hayford_1910\","
    "DATUM[\"D_Hayford_1910\","
    "SPHEROID[\"Hayford_1910\",6378388,297]],"
    "PRIMEM[\"Greenwich\",0.0],",
    "GEOGCS[\"GCS_Clarke_1880\","
    "DATUM[\"D_Clarke_1880\","
    "SPHEROID[\"Clarke_1880\",6378249.138,293.466307656]],"
    "PRIMEM[\"Greenwich\",0],",
    "GEOGCS[\"GCS_Clarke_1866\","
    "DATUM[\"D_Clarke_1866\","
    "SPHEROID[\"Clarke_1866\",6378206.4,294.9786982]],"
    "PRIMEM[\"Greenwich\",0],",
    "GEOGCS[\"GCS_Bessel_1841\","
    "DATUM[\"D_Bessel_1841\","
    "SPHEROID[\"Bessel_1841\",6377397.155,299.1528128]],"
    "PRIMEM[\"Greenwich\",0],",
};

const std::array<std::string_view, UnitCount> UnitTexts = {
    "UNIT[\"Millimeters\",0.001]",
    "UNIT[\"Millimeters\",0.001]",
    "UNIT[\"Meter\",1.0]",
    "UNIT[\"Second\",4.8481368110953598e-006]",
    "UNIT[\"Degree\",0.017453292519943299]",
    "UNIT[\"DMS\",1.0]",
    "UNIT[\"Foot\",0.3048]",
    "UNIT[\"Minute\",0.00029088820866572158]",
    "UNIT[\"Radian\",1.0]",
    "UNIT[\"Grad\",0.015707963267948967]",
    "UNIT[\"Kilometer\",1000.0]",
    "UNIT[\"DeciMeter\",0.1]",
    "UNIT[\"CentiMeter\",0.01]",
    "UNIT[\"Inch\",0.0254]",
    "UNIT[\"Yard\",0.9144]",
    "UNIT[\"SeaMile\",1852.00001]",
    "UNIT[\"Mile\",1609.34721869444]",
};

const std::array<double, UnitCount> UnitFactors = {
    0.001,
    0.001,
    1.0,
    4.8481368110953598e-006,
    0.017453292519943299,
    1.0,
    0.3048,
    0.00029088820866572158,
    1.0,
    0.015707963267948967,
    1000.0,
    0.1,
    0.01,
    0.0254,
    0.9144,
    1852.00001,
    1609.34721869444,
};

const std::string_view UnknownSystemParameters =
    "PROJECTION[\"Local\"],"
    "PARAMETER[\"False_Easting\",0.0],"
    "PARAMETER[\"False_Northing\",0.0],"
    "PARAMETER[\"Scale_Factor\",1.0],"
    "PARAMETER[\"Azimuth\",0.0],"
    "PARAMETER[\"Longitude_Of_Center\",0.0],"
    "PARAMETER[\"Latitude_Of_Center\",0.0],";

namespace {

// Indexed by projection type code; an empty head marks a code without template.
const std::array<ProjectionTemplate, 21> ProjectionTemplates = {{
    {},
    {"PROJCS[\"PRJ_UTM\",",
     "PROJECTION[\"Transverse_Mercator\"],"
     "PARAMETER[\"False_Easting\",%.2f],"
     "PARAMETER[\"False_Northing\",0.0],"
     "PARAMETER[\"Central_Meridian\",%.2f],"
     "PARAMETER[\"Scale_Factor\",0.9996],"
     "PARAMETER[\"Latitude_Of_Origin\",0.0],",
     {PrjNumber::FalseEasting, PrjNumber::CentralMeridian},
     2},
    {"PROJCS[\"PRJ_Albers_Conical_EQ_Area\",",
     "PROJECTION[\"Albers\"],"
     "PARAMETER[\"False_Easting\",0.0],"
     "PARAMETER[\"False_Northing\",0.0],"
     "PARAMETER[\"Central_Meridian\",%.2f],"
     "PARAMETER[\"Standard_Parallel_1\",%.2f],"
     "PARAMETER[\"Standard_Parallel_2\",%.2f],"
     "PARAMETER[\"Latitude_Of_Origin\",%.2f],",
     {PrjNumber::CentralMeridian, PrjNumber::StandardParallel1,
      PrjNumber::StandardParallel2, PrjNumber::LatitudeOfOrigin},
     4},
    {"PROJCS[\"PRJ_Lambert_Conformal_Conic\",",
     "PROJECTION[\"Lambert_Conformal_Conic\"],"
     "PARAMETER[\"False_Easting\",0.0],"
     "PARAMETER[\"False_Northing\",0.0],"
     "PARAMETER[\"Central_Meridian\",%.2f],"
     "PARAMETER[\"Standard_Parallel_1\",%.2f],"
     "PARAMETER[\"Standard_Parallel_2\",%.2f],"
     "PARAMETER[\"Latitude_Of_Origin\",%.2f],",
     {PrjNumber::CentralMeridian, PrjNumber::StandardParallel1,
      PrjNumber::StandardParallel2, PrjNumber::LatitudeOfOrigin},
     4},
    {"PROJCS[\"PRJ_Mercator\",",
     "PROJECTION[\"Mercator\"],"
     "PARAMETER[\"False_Easting\",0.0],"
     "PARAMETER[\"False_Northing\",0.0],"
     "PARAMETER[\"Central_Meridian\",%.2f],"
     "PARAMETER[\"Standard_Parallel_1\",%.2f],",
     {PrjNumber::CentralMeridian, PrjNumber::LatitudeOfOrigin},
     2},
    {"PROJCS[\"PRJ_Gauss_Kruger\",",
     "PROJECTION[\"Gauss_Kruger\"],"
     "PARAMETER[\"False_Easting\",%.2f],"
     "PARAMETER[\"False_Northing\",0.0],"
     "PARAMETER[\"Central_Meridian\",%.2f],"
     "PARAMETER[\"Scale_Factor\",1.0],"
     "PARAMETER[\"Latitude_Of_Origin\",0.0],",
     {PrjNumber::FalseEasting, PrjNumber::CentralMeridian},
     2},
    {"PROJCS[\"PRJ_Polyconic\",",
     "PROJECTION[\"Polyconic\"],"
     "\tPARAMETER[\"False_Easting\",0.0],"
     "\tPARAMETER[\"False_Northing\",0.0],"
     "\tPARAMETER[\"Central_Meridian\",%.2f],"
     "\tPARAMETER[\"Latitude_Of_Origin\",%.2f],",
     {PrjNumber::CentralMeridian, PrjNumber::LatitudeOfOrigin},
     2},
    {"PROJCS[\"PRJ_EQ_Dist_Conic\",",
     "PROJECTION[\"Equidistant_Conic\"],"
     "\tPARAMETER[\"False_Easting\",0.0],"
     "\tPARAMETER[\"False_Northing\",0.0],"
     "\tPARAMETER[\"Central_Meridian\",%.2f],"
     "\tPARAMETER[\"Standard_Parallel_1\",%.2f],"
     "\tPARAMETER[\"Standard_Parallel_2\",%.2f],"
     "\tPARAMETER[\"Latitude_Of_Origin\",%.2f],",
     {PrjNumber::CentralMeridian, PrjNumber::StandardParallel1,
      PrjNumber::StandardParallel2, PrjNumber::LatitudeOfOrigin},
     4},
    {"PROJCS[\"PRJ_Transverse_Mecator\",",
     "PROJECTION[\"Transverse_Mecator\"],"
     "\tPARAMETER[\"False_Easting\",%.2f],"
     "\tPARAMETER[\"False_Northing\",0.0],"
     "\tPARAMETER[\"Central_Meridian\",%.2f],"
     "\tPARAMETER[\"Scale_Factor\",0.9996],"
     "\tPARAMETER[\"Latitude_Of_Origin\",%.2f],",
     {PrjNumber::FalseEasting, PrjNumber::CentralMeridian, PrjNumber::LatitudeOfOrigin},
     3},
    {"PROJCS[\"PRJ_StereoGraphic\",",
     "PROJECTION[\"Stereographic\"],"
     "\tPARAMETER[\"False_Easting\",0.0],"
     "\tPARAMETER[\"False_Northing\",0.0],"
     "\tPARAMETER[\"Central_Meridian\",%.2f],"
     "\tPARAMETER[\"Scale_Factor\",1.0],"
     "\tPARAMETER[\"Latitude_Of_Origin\",%.2f],",
     {PrjNumber::CentralMeridian, PrjNumber::LatitudeOfOrigin},
     2},
    {"PROJCS[\"PRJ_Lambert_Azimuthal_EQ_Area\",",
     "PROJECTION[\"Lambert_Azimuthal_Equal_Area\"],"
     "\tPARAMETER[\"False_Easting\",0.0],"
     "\tPARAMETER[\"False_Northing\",0.0],"
     "\tPARAMETER[\"Central_Meridian\",%.2f],"
     "\tPARAMETER[\"Latitude_Of_Origin\",%.2f],",
     {PrjNumber::CentralMeridian, PrjNumber::LatitudeOfOrigin},
     2},
    {"PROJCS[\"PRJ_Azimuthal_EQ_Dist\",",
     "PROJECTION[\"Azimuthal_Equidistant\"],"
     "\tPARAMETER[\"False_Easting\",0.0],"
     "\tPARAMETER[\"False_Northing\",0.0],"
     "\tPARAMETER[\"Central_Meridian\",%.2f],"
     "\tPARAMETER[\"Latitude_Of_Origin\",%.2f],",
     {PrjNumber::CentralMeridian, PrjNumber::LatitudeOfOrigin},
     2},
    {"PROJCS[\"PRJ_Gnomonic\",",
     "PROJECTION[\"Gnomonic\"],"
     "\tPARAMETER[\"False_Easting\",0.0],"
     "\tPARAMETER[\"False_Northing\",0.0],"
     "\tPARAMETER[\"Longituda_Of_Center\",%.2f],"
     "\tPARAMETER[\"Latitude_Of_Center\",%.2f],",
     {PrjNumber::CentralMeridian, PrjNumber::LatitudeOfOrigin},
     2},
    {"PROJCS[\"PRJ_Orthographic\",",
     "PROJECTION[\"Orthographic\"],"
     "\tPARAMETER[\"False_Easting\",0.0],"
     "\tPARAMETER[\"False_Northing\",0.0],"
     "\tPARAMETER[\"Longituda_Of_Center\",%.2f],"
     "\tPARAMETER[\"Latitude_Of_Center\",%.2f],",
     {PrjNumber::CentralMeridian, PrjNumber::LatitudeOfOrigin},
     2},
    {"PROJCS[\"PRJ_General_VER_NS_Perspective\",",
     "PROJECTION[\"Vertical_Near_Side_Perspective\"],"
     "\tPARAMETER[\"False_Easting\",0.0],"
     "\tPARAMETER[\"False_Northing\",0.0],"
     "\tPARAMETER[\"Longituda_Of_Center\",%.2f],"
     "\tPARAMETER[\"Latitude_Of_Center\",%.2f],"
     "\tPARAMETER[\"Height\",%.2f],",
     {PrjNumber::CentralMeridian, PrjNumber::LatitudeOfOrigin, PrjNumber::Height},
     3},
    {"PROJCS[\"PRJ_Sinusoidal\",",
     "PROJECTION[\"Sinusoidal\"],"
     "\tPARAMETER[\"False_Easting\",0.0],"
     "\tPARAMETER[\"False_Northing\",0.0],"
     "\tPARAMETER[\"Central_Meridian\",%.2f],",
     {PrjNumber::CentralMeridian},
     1},
    {},  // 16: no template
    {"PROJCS[\"PRJ_Miller_Cylindrical\",",
     "PROJECTION[\"Miller_Cylindrical\"],"
     "\tPARAMETER[\"False_Easting\",0.0],"
     "\tPARAMETER[\"False_Northing\",0.0],"
     "\tPARAMETER[\"Central_Meridian\",%.2f],",
     {PrjNumber::CentralMeridian},
     1},
    {"PROJCS[\"PRJ_V_D_Grinten_I\",",
     "PROJECTION[\"Van_der_Grinten_I\"],"
     "\tPARAMETER[\"False_Easting\",0.0],"
     "\tPARAMETER[\"False_Northing\",0.0],"
     "\tPARAMETER[\"Central_Meridian\",%.2f],",
     {PrjNumber::CentralMeridian},
     1},
    {},  // 19: no template
    {"PROJCS[\"PRJ_Polar_Srereographic\",",
     "PROJECTION[\"Stereographic_South_Pole\"],"
     "\tPARAMETER[\"False_Easting\",0.0],"
     "\tPARAMETER[\"False_Northing\",0.0],"
     "\tPARAMETER[\"Central_Meridian\",%.2f],"
     "\tPARAMETER[\"Standard_Parallel_1\",%.2f],",
     {PrjNumber::CentralMeridian, PrjNumber::LatitudeOfOrigin},
     2},
}};

}  // namespace

// clang-format on

const ProjectionTemplate* FindProjectionTemplate(int type)
{
    if (type < 1 || type >= static_cast<int>(ProjectionTemplates.size())) {
        return nullptr;
    }
    const ProjectionTemplate& entry = ProjectionTemplates[static_cast<std::size_t>(type)];
    return entry.head.empty() ? nullptr : &entry;
}

}  // namespace Calvorn
