// One layer of a Torvex data file, read slot by slot through the reader library: the feature ID
// is the slot number, deleted and damaged slots are no features. Nothing is kept per feature,
// so memory stays flat whatever the file's size; the feature count and the extent come from
// one scan, made when first asked for and kept.
#pragma once

#include <ogrsf_frmts.h>

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "convert/StyleSets.h"
#include "torvex/Geometry.h"
#include "torvex/Records.h"
#include "torvex/Torvex_Writer.h"

namespace Calvorn {

class TorvexLayer final : public OGRLayer {
public:
    // Which slots of the file become features: every point (with the annotation text as a
    // field), only plain points or only annotation points (annotations split off), lines,
    // polygons or the rows of a table.
    enum class Content { Points, PlainPoints, Annotations, Lines, Polygons, Table };

    // `reader` is open on the layer's file. With `styleAsAttributes` the graphic parameters
    // become fields after the stored ones, as the converter adds them.
    TorvexLayer(std::unique_ptr<Torvex::Torvex_Writer> reader, const std::string& name,
                Content content, bool styleAsAttributes);
    ~TorvexLayer() override;
    TorvexLayer(const TorvexLayer&) = delete;
    TorvexLayer& operator=(const TorvexLayer&) = delete;

    // The content of each kind of data file (a point file gives PlainPoints and Annotations when
    // annotations are split off).
    static Content ContentOf(Torvex::Torvex_Writer& reader);

    void ResetReading() override;
    OGRFeature* GetNextFeature() override;
    OGRFeature* GetFeature(GIntBig fid) override;
    GIntBig GetFeatureCount(int force) override;
    OGRErr GetExtent(OGREnvelope* extent, int force) override;
    OGRErr GetExtent(int geomField, OGREnvelope* extent, int force) override;
    OGRFeatureDefn* GetLayerDefn() override { return m_defn; }
    int TestCapability(const char* capability) override;

private:
    struct GeometryDeleter {
        void operator()(Torvex::Geometry* geometry) const { Torvex::DestroyGeometry(geometry); }
    };

    // What one slot read delivers.
    struct Slot {
        std::unique_ptr<Torvex::Geometry, GeometryDeleter> geometry{Torvex::CreateGeometry()};
        Torvex::TORVEX_LineInfo line{};
        Torvex::TORVEX_PntInfo point{};
        Torvex::TORVEX_RegInfo polygon{};
        std::array<char, Torvex::Torvex_Writer::kAnnotationBufferSize> text{};
    };

    // A stored field that became a feature field.
    struct SourceField {
        int index;  // in the file
        int type;   // type code
        bool warnedInvalid = false;
    };

    // The feature count and the extent of the whole layer.
    struct Summary {
        GIntBig count = 0;
        OGREnvelope extent;
        bool hasExtent = false;
    };

    void DefineFields(bool styleAsAttributes);
    void AddField(OGRFieldDefn& field);
    void ReadProjection();

    // Reads `slot` into `slot`'s members: true when it is a feature of this layer. The
    // geometry is scaled and, for polygons, repaired.
    bool ReadSlot(int index, Slot& slot);
    std::unique_ptr<OGRFeature> MakeFeature(int index, Slot& slot, bool filtered);
    void SetSourceValues(OGRFeature& feature, int index);
    void SetStyleValues(OGRFeature& feature, const Slot& slot);
    const Summary& Summarize();

    std::unique_ptr<Torvex::Torvex_Writer> m_reader;
    const Content m_content;
    OGRFeatureDefn* m_defn = nullptr;
    OGRSpatialReference* m_srs = nullptr;
    double m_scale = 1.0;
    int m_slotCount = 0;
    int m_nextSlot = 0;

    std::vector<SourceField> m_sourceFields;  // feature field i is m_sourceFields[i]
    int m_textField = -1;                     // "注释文字"
    std::span<const StyleFieldDef> m_styleSet;
    int m_firstStyleField = -1;

    Slot m_slot;  // the slot last read, kept so that reading allocates as little as it can
    std::optional<Summary> m_summary;
    bool m_warnedDamaged = false;
};

}  // namespace Calvorn
