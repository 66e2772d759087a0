"""The Torvex GDAL driver through Debian's osgeo.ogr and GDAL tools (GDAL_DRIVER_PATH set by
ctest): every layer's features against the converter's Shapefile output of the same file, for
the samples and for generated files of every field type, with deleted and damaged slots and
multi-part geometry, under each open option and its converter switch; then projects, opening
by content, update access, filters.

usage: driver_test.py TORVEX_MAKE CALVORN_CLI BUILT_SAMPLES_DIR SAMPLE_JSON_DIR
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from osgeo import gdal, ogr

gdal.UseExceptions()
TORVEX_MAKE, CLI, SAMPLES, SAMPLE_JSON = sys.argv[1:5]
ANNOTATION_TEXT = "注释文字"
SUPPORTED = range(10)

# Files of every field type (the last a code the driver leaves out, the converter keeps as nulls),
# with deleted and damaged slots, styles, texts and multi-part geometry, as torvex-make reads them.
GENERATED = os.path.join(os.path.dirname(os.path.abspath(__file__)), "every_type_%s.json")
EXTENSIONS = {"point": "wt", "line": "wl", "polygon": "wp", "table": "wb"}
# (open options, converter switches) of each comparison.
VARIANTS = [([], []), (["STYLE_AS_ATTRIBUTES=YES"], ["--style-as-attributes"]),
            (["SPLIT_ANNOTATIONS=YES"], ["--split-annotations"])]


def make(description, path):
    with open(path + ".json", "w", encoding="utf-8") as f:
        json.dump(description, f, ensure_ascii=False)
    subprocess.run([TORVEX_MAKE, path + ".json", path], check=True)


def gbk_prefix(text, limit):
    out, size = "", 0
    for c in text:
        size += len(c.encode("gbk"))
        if size > limit:
            break
        out += c
    return out


def expected_match(kind, width, decimals, d, s, stored):
    """True when the converter's Shapefile value s is the driver's value d after the Shapefile
    compromises: texts cut to the field, dates and times as text, absent stored numbers as 0,
    numbers too wide for their field as nulls. Added (style) fields are blank on both sides
    where a record has no such value."""
    if d is None and not stored:
        return s is None
    if kind == "text":
        return (s or "") == gbk_prefix(d or "", min(max(width, 1), 254))
    if kind == "date":
        return s == (None if d is None else "%04d-%02d-%02d" % tuple(d[:3]))
    if kind == "time":
        if d is None or s is None:
            return d is None and s is None
        h, m, sec = s.split(":")
        return (int(h), int(m)) == tuple(d[3:5]) and abs(float(sec) - d[5]) < 0.0051
    number = d if d is not None else 0
    text = "%.*f" % (decimals, number) if kind == "real" else str(number)
    if s is None:
        return len(text) > width
    return abs(s - number) <= 0.5 * 10 ** -decimals + 1e-9 * abs(number)


def value_of(feature, i, kind):
    if not feature.IsFieldSetAndNotNull(i):
        return None
    if kind in ("date", "time"):
        return feature.GetFieldAsDateTime(i)
    return feature.GetField(i)


def kind_of(field_defn):
    return {ogr.OFTString: "text", ogr.OFTDate: "date", ogr.OFTTime: "time",
            ogr.OFTReal: "real"}.get(field_defn.GetType(), "int")


def open_layers(path, options=()):
    dataset = gdal.OpenEx(path, gdal.OF_VECTOR, allowed_drivers=["Torvex"], open_options=list(options))
    return dataset, [dataset.GetLayer(i) for i in range(dataset.GetLayerCount())]


class Warnings:
    """Collects GDAL's warnings while in use."""

    def __enter__(self):
        self.messages = []
        gdal.PushErrorHandler(lambda cls, no, msg: self.messages.append(msg))
        return self

    def __exit__(self, *args):
        gdal.PopErrorHandler()


class DriverTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def convert(self, source, switches):
        out = tempfile.mkdtemp(dir=self.tmp)
        # Files with damaged slots fail (records lost), their outputs stay.
        subprocess.run([CLI, "--log", os.path.join(out, "log"), *switches, "-o", out, source],
                       stdout=subprocess.DEVNULL)
        return out

    def compare_layer(self, layer, shp_path, fields, expected_fids, table):
        """Features, values, geometry, count, extent and SRS of one driver layer against the
        Shapefile (or lone .dbf) the converter wrote for it."""
        features = list(layer)
        self.assertEqual([f.GetFID() for f in features], expected_fids)
        self.assertEqual(layer.GetFeatureCount(), len(features))
        shp = ogr.Open(shp_path) if os.path.exists(shp_path) else None
        rows = list(shp.GetLayer()) if shp else []
        if not table:
            self.assertEqual(len(rows), len(features))
        # Driver field -> Shapefile field: the stored fields by their place among all stored
        # fields, the added ones in order (the driver's annotation text has no counterpart
        # unless annotations are split off). Widths and decimals are the Shapefile's.
        defn = layer.GetLayerDefn()
        stored = [i for i, field in enumerate(fields) if field[1] in SUPPORTED]
        added = [k for k in range(len(stored), defn.GetFieldCount())
                 if defn.GetFieldDefn(k).GetName() != ANNOTATION_TEXT or layer.GetName().endswith("_ANN")]
        pairs = list(enumerate(stored)) + [(k, len(fields) + n) for n, k in enumerate(added)]
        for n, feature in enumerate(features):
            row = rows[feature.GetFID()] if table else rows[n]
            for k, s in pairs:
                kind, shp_field = kind_of(defn.GetFieldDefn(k)), row.GetFieldDefnRef(s)
                d, v = value_of(feature, k, kind), row.GetField(s)
                self.assertTrue(expected_match(kind, shp_field.GetWidth(), shp_field.GetPrecision(),
                                               d, v, k < len(stored)),
                                "%s fid %d field %s: driver %r, converter %r" %
                                (layer.GetName(), feature.GetFID(),
                                 defn.GetFieldDefn(k).GetName(), d, v))
            self.assertTrue(feature.Equal(layer.GetFeature(feature.GetFID())))
            if table:
                continue
            g, h = feature.GetGeometryRef(), row.GetGeometryRef()
            if g is None or h is None:
                self.assertIsNone(g)
                self.assertIsNone(h)
                continue
            multi = {ogr.wkbMultiLineString: ogr.ForceToMultiLineString,
                     ogr.wkbMultiPolygon: ogr.ForceToMultiPolygon}.get(g.GetGeometryType())
            self.assertEqual(g.ExportToIsoWkb(), (multi(h.Clone()) if multi else h).ExportToIsoWkb(),
                             g.ExportToWkt())
            if g.GetGeometryType() == ogr.wkbMultiPolygon:
                self.assertTrue(g.IsValid())
        if not table and features:
            for a, b in zip(layer.GetExtent(), shp.GetLayer().GetExtent()):
                self.assertAlmostEqual(a, b)
        if shp and not table:
            srs, shp_srs = layer.GetSpatialRef(), shp.GetLayer().GetSpatialRef()
            self.assertEqual(srs is None, shp_srs is None)
            self.assertTrue(srs is None or srs.IsSame(shp_srs))

    def compare_file(self, path, description):
        kind = description["kind"]
        records = description.get("records", [])
        live = [r for r, rec in enumerate(records)
                if not rec.get("deleted") and not rec.get("damaged")]
        fields = [(f["name"], f["type"], f.get("width", 0), f.get("decimals", 0))
                  for f in description.get("fields", [])]
        base = os.path.splitext(os.path.basename(path))[0]
        is_annotation = lambda r: (records[r].get("style") or {}).get("kind", 0) == 0
        for options, switches in VARIANTS:
            with self.subTest(file=path, options=options):
                out = self.convert(path, switches)
                _, layers = open_layers(path, options)
                split = kind == "point" and "--split-annotations" in switches
                ext = ".dbf" if kind == "table" else ".shp"
                expected = [(base, [r for r in live if not (split and is_annotation(r))])]
                if split:
                    expected.append((base + "_ANN", [r for r in live if is_annotation(r)]))
                self.assertEqual([l.GetName() for l in layers], [n for n, _ in expected])
                for layer, (name, fids) in zip(layers, expected):
                    self.compare_layer(layer, os.path.join(out, name + ext), fields, fids,
                                       kind == "table")

    def test_features_equal_the_converters(self):
        for sample in ["roads.wl", "towns.wt", "lakes.wp", "parcels.wb"]:
            with open(os.path.join(SAMPLE_JSON, sample.split(".")[0] + ".json"), encoding="utf-8") as f:
                self.compare_file(os.path.join(SAMPLES, sample), json.load(f))
        for kind, extension in EXTENSIONS.items():
            with open(GENERATED % kind, encoding="utf-8") as f:
                description = json.load(f)
            path = os.path.join(self.tmp, "gen_" + kind + "." + extension)
            make(description, path)
            with Warnings() as warnings:
                self.compare_file(path, description)
            # damaged slots are reported once per layer opened; the unknown type once per open
            self.assertTrue(all(("damaged" in m) == ("slot 4" in m) for m in warnings.messages))
            self.assertTrue(any("slot 4 is damaged" in m for m in warnings.messages))

    def test_project_layers_and_geopackage(self):
        _, layers = open_layers(os.path.join(SAMPLES, "map.mpj"))
        counts = {l.GetName(): l.GetFeatureCount() for l in layers}
        self.assertEqual(list(counts), ["roads", "towns", "lakes", "parcels"])
        gpkg = os.path.join(self.tmp, "map.gpkg")
        subprocess.run(["ogr2ogr", "-f", "GPKG", gpkg, os.path.join(SAMPLES, "map.mpj")], check=True,
                       stderr=subprocess.DEVNULL)
        out = ogr.Open(gpkg)
        self.assertEqual({out.GetLayer(i).GetName(): out.GetLayer(i).GetFeatureCount()
                          for i in range(out.GetLayerCount())}, counts)
        parcels = out.GetLayerByName("parcels").GetLayerDefn()
        self.assertEqual(parcels.GetFieldDefn(parcels.GetFieldIndex("登记日期")).GetType(), ogr.OFTDate)
        self.assertEqual(out.GetLayerByName("lakes").GetGeomType(), ogr.wkbMultiPolygon)

    def test_project_items_resolved_as_the_batch_does(self):
        shutil.copy(os.path.join(SAMPLES, "roads.wl"), self.tmp)
        project = os.path.join(self.tmp, "p.mpj")
        make({"kind": "project", "items": ["D:\\a\\roads.wl", "E:/b/roads.wl", "C:\\gone.wp",
                                           "notes.txt"]}, project)
        with Warnings() as warnings:
            _, layers = open_layers(project)
        self.assertEqual([l.GetName() for l in layers], ["roads", "roads_2"])
        self.assertEqual(len(warnings.messages), 1)
        self.assertIn("gone.wp is missing", warnings.messages[0])

    def test_opening(self):
        renamed = os.path.join(self.tmp, "roads.dat")
        shutil.copy(os.path.join(SAMPLES, "roads.wl"), renamed)
        damaged = os.path.join(self.tmp, "bad.wl")
        with open(os.path.join(SAMPLES, "roads.wl"), "rb") as f:
            open(damaged, "wb").write(f.read()[:70])
        cases = [  # path, flags, opens, error text
            (renamed, gdal.OF_VECTOR, True, None),
            (os.path.join(SAMPLES, "roads.wl"), gdal.OF_VECTOR | gdal.OF_UPDATE, False, "update access"),
            (damaged, gdal.OF_VECTOR, False, "is damaged"),
        ]
        for path, flags, opens, error in cases:
            with self.subTest(path=path, flags=flags):
                gdal.ErrorReset()
                try:
                    dataset = gdal.OpenEx(path, flags, allowed_drivers=["Torvex"])
                except RuntimeError as e:
                    dataset = None
                    self.assertIn(error, str(e))
                self.assertEqual(dataset is not None, opens)

    def test_numbers_of_absurd_width_are_formatted(self):
        # GDAL formats numbers with the field's width: two billion would take gigabytes
        path = os.path.join(self.tmp, "wide.wb")
        make({"kind": "table", "fields": [{"name": "x", "type": 5, "width": 2000000000,
                                           "decimals": 2000000000}],
              "records": [{"attributes": [1.5]}]}, path)
        _, (layer,) = open_layers(path)
        self.assertEqual(layer.GetLayerDefn().GetFieldDefn(0).GetWidth(), 0)
        self.assertEqual(layer.GetNextFeature().GetFieldAsString(0), "1.5")

    def test_style_strings(self):
        cases = [("roads.wl", 0, "PEN(c:#FF0000,w:1.5mm)"), ("lakes.wp", 1, "BRUSH(fc:#EBCE87)"),
                 ("towns.wt", 6, 'LABEL(t:"城关镇",s:8mm,a:0,c:#000000)'), ("towns.wt", 0, None)]
        for sample, fid, style in cases:
            with self.subTest(sample=sample, fid=fid):
                _, (layer,) = open_layers(os.path.join(SAMPLES, sample))
                self.assertEqual(layer.GetFeature(fid).GetStyleString(), style)

    def test_filters(self):
        _, (layer,) = open_layers(os.path.join(SAMPLES, "towns.wt"))
        points = [(f.GetField("人口"), f.GetGeometryRef().GetX()) for f in layer]
        layer.SetAttributeFilter('"人口" > 5000')
        self.assertEqual(layer.GetFeatureCount(), sum(1 for p, _ in points if p and p > 5000))
        layer.SetAttributeFilter(None)
        layer.SetSpatialFilterRect(495000, 0, 510000, 1e8)
        self.assertEqual(len(list(layer)), sum(1 for _, x in points if 495000 <= x <= 510000))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
