#include "gdal/TorvexLayer.h"

#include <cpl_error.h>
#include <cpl_string.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "gdal/FeatureGeometry.h"
#include "gdal/FeatureStyle.h"
#include "gdal/SpatialReference.h"
#include "projection/CPrjWriter.h"
#include "projection/CoordinateScale.h"
#include "torvex/Gbk.h"
#include "torvex/Result.h"
#include "torvex/TypeCode.h"

namespace Calvorn {

namespace {

using enum Torvex::TypeCode;
using Torvex::LoadValue;

// Widest number field the driver hands on (the widest numeric .dbf field).
constexpr int kMaxNumberWidth = 255;

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool IsValidDate(int year, int month, int day)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1) {
        return false;
    }
    return day <= kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool IsValidTime(int hour, int minute, double seconds)
{
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && seconds >= 0.0 &&
           seconds < 61.0;
}

OGRFieldType FieldTypeOf(int code)
{
    switch (code) {
        case kText:
        case kLongText:
            return OFTString;
        case kUnsigned8:
        case kSigned16:
        case kSigned32:
        case kBoolean:
            return OFTInteger;
        case kFloat:
        case kDouble:
            return OFTReal;
        case kDate:
            return OFTDate;
        case kTime:
            return OFTTime;
        default:
            return OFTMaxType;  // not read
    }
}

OGRFieldType FieldTypeOf(const StyleFieldDef& definition)
{
    switch (definition.type) {
        case DbfFieldType::String:
            return OFTString;
        case DbfFieldType::Double:
            return OFTReal;
        default:
            return OFTInteger;
    }
}

// The converter writes an integer member as its unsigned number when that fits the field's 8
// characters, else as the signed number it came from: which always comes to the signed value.
int SignedValue(const StyleFieldDef& definition, double value)
{
    return definition.number == StyleNumber::Unsigned
               ? static_cast<std::int32_t>(static_cast<std::uint32_t>(value))
               : static_cast<int>(value);
}

bool IsPointContent(TorvexLayer::Content content)
{
    return content == TorvexLayer::Content::Points ||
           content == TorvexLayer::Content::PlainPoints ||
           content == TorvexLayer::Content::Annotations;
}

}  // namespace

TorvexLayer::TorvexLayer(std::unique_ptr<Torvex::Torvex_Writer> reader, const std::string& name,
                         Content content, bool styleAsAttributes)
    : m_reader(std::move(reader)), m_content(content)
{
    m_reader->GetInfo(&m_slotCount, nullptr, nullptr);
    m_defn = new OGRFeatureDefn(name.c_str());
    m_defn->Reference();
    SetDescription(m_defn->GetName());
    switch (m_content) {
        case Content::Lines:
            m_defn->SetGeomType(wkbMultiLineString);
            break;
        case Content::Polygons:
            m_defn->SetGeomType(wkbMultiPolygon);
            break;
        case Content::Table:
            m_defn->SetGeomType(wkbNone);
            break;
        default:
            m_defn->SetGeomType(wkbPoint);
            break;
    }
    ReadProjection();
    DefineFields(styleAsAttributes);
}

TorvexLayer::~TorvexLayer()
{
    m_defn->Release();
    if (m_srs != nullptr) {
        m_srs->Release();
    }
}

TorvexLayer::Content TorvexLayer::ContentOf(Torvex::Torvex_Writer& reader)
{
    int shapeType = SHPT_NULL;
    reader.GetInfo(nullptr, &shapeType, nullptr);
    switch (shapeType) {
        case SHPT_POINT:
            return Content::Points;
        case SHPT_ARC:
            return Content::Lines;
        case SHPT_POLYGON:
            return Content::Polygons;
        default:
            return Content::Table;
    }
}

void TorvexLayer::ReadProjection()
{
    Torvex::MAP_PARAstruct record{};
    if (m_content == Content::Table || m_reader->GetProjection(&record) != 1) {
        return;  // no record: coordinates as stored, no spatial reference
    }
    m_scale = CoordinateScale(record);
    const std::string wkt = CPrjWriter().BuildWkt(&record);
    if (wkt.empty()) {
        return;  // the record says "no coordinate system"
    }
    m_srs = SpatialReferenceFromEsri(wkt);
    if (m_srs == nullptr) {
        CPLError(CE_Warning, CPLE_AppDefined,
                 "Torvex: %s: the projection record gives no coordinate system GDAL knows (%s)",
                 m_defn->GetName(), wkt.c_str());
        return;
    }
    m_defn->GetGeomFieldDefn(0)->SetSpatialRef(m_srs);
}

void TorvexLayer::AddField(OGRFieldDefn& field)
{
    // Names are looked up without regard to case: a name met again gets "_2", "_3", ...
    const std::string name = field.GetNameRef();
    std::string unique = name;
    for (int n = 2; m_defn->GetFieldIndex(unique.c_str()) >= 0; ++n) {
        unique = name + "_" + std::to_string(n);
    }
    if (unique != name) {
        CPLError(CE_Warning, CPLE_AppDefined, "Torvex: %s: a second field \"%s\" is named \"%s\"",
                 m_defn->GetName(), name.c_str(), unique.c_str());
        field.SetName(unique.c_str());
    }
    m_defn->AddFieldDefn(&field);
}

void TorvexLayer::DefineFields(bool styleAsAttributes)
{
    const int count = m_reader->GetFieldCount();
    for (int i = 0; i < count; ++i) {
        std::string name;
        int width = 0;
        int decimals = 0;
        const int code = m_reader->GetFieldInfo(i, &name, nullptr, &width, &decimals);
        const OGRFieldType type = FieldTypeOf(code);
        if (type == OFTMaxType) {
            CPLError(CE_Warning, CPLE_NotSupported,
                     "Torvex: %s: field \"%s\" has type code %d, which the driver does not read; "
                     "it is left out",
                     m_defn->GetName(), name.c_str(), code);
            continue;
        }
        OGRFieldDefn field(name.c_str(), type);
        if (code == kFloat) {
            field.SetSubType(OFSTFloat32);
        } else if (code == kBoolean) {
            field.SetSubType(OFSTBoolean);
        }
        // GDAL formats numbers with the field's width and precision ("%*.*f"): a damaged
        // file's width of two billion would have it allocate gigabytes for one value.
        const bool number = type == OFTInteger || type == OFTReal;
        if (number && (width > kMaxNumberWidth || decimals > kMaxNumberWidth)) {
            CPLError(CE_Warning, CPLE_AppDefined,
                     "Torvex: %s: field \"%s\" has width %d and precision %d, more than a number "
                     "can use; they are left unset",
                     m_defn->GetName(), name.c_str(), width, decimals);
            width = 0;
            decimals = 0;
        }
        field.SetWidth(width);
        field.SetPrecision(decimals);
        AddField(field);
        m_sourceFields.push_back(SourceField{i, code});
    }

    std::span<const StyleFieldDef> styleSet;
    switch (m_content) {
        case Content::Lines:
            styleSet = kLineStyleFields;
            break;
        case Content::Polygons:
            styleSet = kFillStyleFields;
            break;
        case Content::Points:
        case Content::PlainPoints:
            styleSet = kSubGraphStyleFields;
            break;
        case Content::Annotations:
            styleSet = std::span(kAnnotationFields).subspan(1);
            break;
        case Content::Table:
            break;
    }
    if (m_content == Content::Points || m_content == Content::Annotations) {
        // Up to 259 bytes are stored: no width.
        OGRFieldDefn text(kAnnotationFields[0].name, OFTString);
        AddField(text);
        m_textField = m_defn->GetFieldCount() - 1;
    }
    if (styleAsAttributes && !styleSet.empty()) {
        m_styleSet = styleSet;
        m_firstStyleField = m_defn->GetFieldCount();
        for (const StyleFieldDef& definition : m_styleSet) {
            OGRFieldDefn field(definition.name, FieldTypeOf(definition));
            field.SetWidth(definition.width);
            field.SetPrecision(definition.decimals);
            AddField(field);
        }
    }
}

void TorvexLayer::ResetReading()
{
    m_nextSlot = 0;
}

bool TorvexLayer::ReadSlot(int index, Slot& slot)
{
    if (!slot.geometry) {
        return false;  // out of memory
    }
    int result = Torvex::kNoSuchSlot;
    switch (m_content) {
        case Content::Points:
        case Content::PlainPoints:
        case Content::Annotations:
            result =
                m_reader->ReadPointInfo(index, &slot.point, slot.geometry.get(), slot.text.data());
            break;
        case Content::Lines:
            result = m_reader->ReadArcInfo(index, &slot.line, slot.geometry.get());
            break;
        case Content::Polygons:
            result = m_reader->ReadPolygonInfo(index, &slot.polygon, slot.geometry.get());
            break;
        case Content::Table:
            result = m_reader->ReadTableRow(index);
            break;
    }
    if (result == Torvex::kReadFailed && !m_warnedDamaged) {
        m_warnedDamaged = true;
        CPLError(CE_Warning, CPLE_AppDefined,
                 "Torvex: %s: slot %d is damaged and left out (so is any other damaged slot of "
                 "this layer, without another warning)",
                 m_defn->GetName(), index);
    }
    if (result != Torvex::kRecordRead) {
        return false;
    }
    if ((m_content == Content::PlainPoints && slot.point.kind == Torvex::kAnnotationPoint) ||
        (m_content == Content::Annotations && slot.point.kind != Torvex::kAnnotationPoint)) {
        return false;
    }
    Torvex::ReScaleGeometry(slot.geometry.get(), m_scale);
    if (m_content == Content::Polygons) {
        Torvex::FixGeoTopo(slot.geometry.get());
    }
    return true;
}

std::unique_ptr<OGRFeature> TorvexLayer::MakeFeature(int index, Slot& slot, bool filtered)
{
    auto feature = std::make_unique<OGRFeature>(m_defn);
    feature->SetFID(index);
    if (m_content != Content::Table && !m_defn->IsGeometryIgnored()) {
        std::unique_ptr<OGRGeometry> geometry = MakeOgrGeometry(*slot.geometry);
        if (geometry) {
            geometry->assignSpatialReference(m_srs);
            feature->SetGeometryDirectly(geometry.release());
        }
        if (filtered && m_poFilterGeom != nullptr && !FilterGeometry(feature->GetGeometryRef())) {
            return nullptr;
        }
    }
    SetSourceValues(*feature, index);

    std::string text;
    if (IsPointContent(m_content) && slot.point.kind == Torvex::kAnnotationPoint) {
        text = Torvex::GbkToUtf8(slot.text.data());
        if (!text.empty()) {
            feature->SetStyleString(LabelStyle(text, slot.point).c_str());
        }
    } else if (m_content == Content::Lines && !IsBlankRecord(slot.line)) {
        feature->SetStyleString(LineStyle(slot.line).c_str());
    } else if (m_content == Content::Polygons && !IsBlankRecord(slot.polygon)) {
        feature->SetStyleString(FillStyle(slot.polygon).c_str());
    }
    if (m_textField >= 0) {
        if (slot.point.kind == Torvex::kAnnotationPoint) {
            feature->SetField(m_textField, text.c_str());
        } else {
            feature->SetFieldNull(m_textField);
        }
    }
    if (m_firstStyleField >= 0) {
        SetStyleValues(*feature, slot);
    }
    if (filtered && m_poAttrQuery != nullptr && !m_poAttrQuery->Evaluate(feature.get())) {
        return nullptr;
    }
    return feature;
}

void TorvexLayer::SetSourceValues(OGRFeature& feature, int index)
{
    for (std::size_t i = 0; i < m_sourceFields.size(); ++i) {
        const int field = static_cast<int>(i);
        SourceField& source = m_sourceFields[i];
        if (m_defn->GetFieldDefn(field)->IsIgnored()) {
            continue;
        }
        const void* value = m_reader->ReadAttribute(index, source.index, source.type);
        if (value == nullptr) {
            feature.SetFieldNull(field);
            continue;
        }
        bool valid = true;
        switch (source.type) {
            case kText:
            case kLongText:
                feature.SetField(field, Torvex::GbkToUtf8(static_cast<const char*>(value)).c_str());
                break;
            case kUnsigned8:
                feature.SetField(field, LoadValue<std::uint8_t>(value));
                break;
            case kSigned16:
                feature.SetField(field, LoadValue<std::int16_t>(value));
                break;
            case kSigned32:
                feature.SetField(field, LoadValue<std::int32_t>(value));
                break;
            case kFloat:
                feature.SetField(field, static_cast<double>(LoadValue<float>(value)));
                break;
            case kDouble:
                feature.SetField(field, LoadValue<double>(value));
                break;
            case kBoolean:
                feature.SetField(field, LoadValue<std::uint8_t>(value) != 0 ? 1 : 0);
                break;
            case kDate: {
                const int year = LoadValue<std::int16_t>(value);
                const auto month = LoadValue<std::int8_t>(value, 2);
                const auto day = LoadValue<std::int8_t>(value, 3);
                if (IsValidDate(year, month, day)) {
                    feature.SetField(field, year, month, day);
                } else {
                    feature.SetFieldNull(field);
                    valid = year == 0 && month == 0 && day == 0;  // the empty date
                }
                break;
            }
            case kTime: {
                const auto hour = LoadValue<std::int8_t>(value);
                const auto minute = LoadValue<std::int8_t>(value, 1);
                const double seconds = LoadValue<double>(value, 2);
                const bool empty = hour == 0 && minute == 0 && seconds == 0.0;
                if (!empty && IsValidTime(hour, minute, seconds)) {
                    feature.SetField(field, 0, 0, 0, hour, minute, static_cast<float>(seconds));
                } else {
                    feature.SetFieldNull(field);
                    valid = empty;
                }
                break;
            }
            default:
                break;
        }
        if (!valid && !source.warnedInvalid) {
            source.warnedInvalid = true;
            CPLError(CE_Warning, CPLE_AppDefined,
                     "Torvex: %s: field \"%s\" of slot %d holds no valid %s; such values are "
                     "read as null",
                     m_defn->GetName(), m_defn->GetFieldDefn(field)->GetNameRef(), index,
                     source.type == kDate ? "date" : "time");
        }
    }
}

void TorvexLayer::SetStyleValues(OGRFeature& feature, const Slot& slot)
{
    std::array<double, 11> values{};
    std::size_t count = 0;
    auto take = [&](const auto& set) {
        std::copy(set.begin(), set.end(), values.begin());
        count = set.size();
    };
    switch (m_content) {
        case Content::Lines:
            take(LineStyleValues(slot.line));
            break;
        case Content::Polygons:
            take(FillStyleValues(slot.polygon));
            break;
        case Content::Annotations:
            take(AnnotationStyleValues(slot.point));
            break;
        default:
            // Only sub-graph points have these values, as in the converter's output.
            if (slot.point.kind == Torvex::kSubGraphPoint) {
                take(SubGraphStyleValues(slot.point));
            }
            break;
    }
    for (std::size_t k = 0; k < m_styleSet.size(); ++k) {
        const int field = m_firstStyleField + static_cast<int>(k);
        if (k >= count) {
            feature.SetFieldNull(field);
        } else if (m_styleSet[k].number == StyleNumber::Real) {
            feature.SetField(field, values[k]);
        } else {
            feature.SetField(field, SignedValue(m_styleSet[k], values[k]));
        }
    }
}

OGRFeature* TorvexLayer::GetNextFeature()
{
    while (m_nextSlot < m_slotCount) {
        const int index = m_nextSlot++;
        if (!ReadSlot(index, m_slot)) {
            continue;
        }
        if (std::unique_ptr<OGRFeature> feature = MakeFeature(index, m_slot, true)) {
            return feature.release();
        }
    }
    return nullptr;
}

OGRFeature* TorvexLayer::GetFeature(GIntBig fid)
{
    if (fid < 0 || fid >= m_slotCount || !ReadSlot(static_cast<int>(fid), m_slot)) {
        return nullptr;
    }
    return MakeFeature(static_cast<int>(fid), m_slot, false).release();
}

const TorvexLayer::Summary& TorvexLayer::Summarize()
{
    if (m_summary) {
        return *m_summary;
    }
    Summary summary;
    for (int index = 0; index < m_slotCount; ++index) {
        if (!ReadSlot(index, m_slot)) {
            continue;
        }
        ++summary.count;
        const Torvex::Geometry& g = *m_slot.geometry;
        if (m_content == Content::Table || g.nVertices == 0 || g.nParts < 0 ||
            !std::isfinite(g.dfXMin) || !std::isfinite(g.dfXMax) || !std::isfinite(g.dfYMin) ||
            !std::isfinite(g.dfYMax)) {
            continue;
        }
        OGREnvelope envelope;
        envelope.MinX = g.dfXMin;
        envelope.MaxX = g.dfXMax;
        envelope.MinY = g.dfYMin;
        envelope.MaxY = g.dfYMax;
        summary.extent.Merge(envelope);
        summary.hasExtent = true;
    }
    m_summary = summary;
    return *m_summary;
}

GIntBig TorvexLayer::GetFeatureCount(int force)
{
    if (m_poFilterGeom != nullptr || m_poAttrQuery != nullptr) {
        return OGRLayer::GetFeatureCount(force);
    }
    if (!m_summary && !force) {
        return -1;
    }
    return Summarize().count;
}

OGRErr TorvexLayer::GetExtent(OGREnvelope* extent, int force)
{
    if (m_content == Content::Table || (!m_summary && !force)) {
        return OGRERR_FAILURE;
    }
    const Summary& summary = Summarize();
    if (!summary.hasExtent) {
        return OGRERR_FAILURE;
    }
    *extent = summary.extent;
    return OGRERR_NONE;
}

OGRErr TorvexLayer::GetExtent(int geomField, OGREnvelope* extent, int force)
{
    if (geomField == 0) {
        return GetExtent(extent, force);
    }
    return OGRLayer::GetExtent(geomField, extent, force);
}

int TorvexLayer::TestCapability(const char* capability)
{
    if (EQUAL(capability, OLCRandomRead) || EQUAL(capability, OLCStringsAsUTF8) ||
        EQUAL(capability, OLCIgnoreFields)) {
        return TRUE;
    }
    if (EQUAL(capability, OLCFastFeatureCount)) {
        return m_summary && m_poFilterGeom == nullptr && m_poAttrQuery == nullptr;
    }
    if (EQUAL(capability, OLCFastGetExtent)) {
        return m_content != Content::Table && m_summary.has_value();
    }
    return FALSE;
}

}  // namespace Calvorn
