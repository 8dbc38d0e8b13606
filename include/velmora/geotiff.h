// CGeoTIFF: the georeferencing tags of a TIFF file (GeoTIFF 1.0, and the keys
// of later revisions as they are): read from classic TIFF or BigTIFF in
// either byte order, listed as a text report, and written into a TIFF file.
//
// Use: LoadGeoTIFFFile reads the six GeoTIFF tags of the file's first image
// directory (no image data). OutputResult decodes the GeoKeys and records the
// model tags; that report is what prepares the object for SaveGeoTIFFFile,
// which writes the target image (SetTargetDIB) as a TIFF file carrying what
// the last report decoded and recorded.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

#include "velmora/cfile.h"
#include "velmora/cstring.h"
#include "velmora/dibfile.h"
#include "velmora/wintypes.h"

class CNewDIB;
namespace velmora::geo {
struct GeoTag;
struct TakenDirectory;
}

// The image transforms whose effect on the georeferencing
// TransformGeoreferencing follows (those of CNewDIB with the same names).
enum GeoImageTransform { GEO_LEFT_ROTATE = 1, GEO_RIGHT_ROTATE = 2, GEO_VERTICAL_FLIP = 3, GEO_HORIZON_FLIP = 4 };

class CGeoTIFF : public CDIBFile {
public:
    CGeoTIFF();
    virtual ~CGeoTIFF();

    CGeoTIFF(const CGeoTIFF&) = delete;
    CGeoTIFF& operator=(const CGeoTIFF&) = delete;

    // 1 when the file starts with "II" or "MM" and its first directory was
    // read; 0 when it does not, or when it cannot be opened or read (the
    // failure text is then set). A tag found replaces the array held for it;
    // arrays of tags the file lacks stay. Counts are bounded by the file's
    // length: an array never holds more values than could start inside the
    // file, and values past its end read as zero. When memory for an array
    // runs out the load fails with the out-of-memory text rather than
    // throwing. GDAL's no-data and metadata tags are loaded with the rest.
    int LoadGeoTIFFFile(const char* path);

    // The loaded arrays, owned by the object (null when the tag was not
    // loaded); valid until the next load or the object's end.
    // Key directory: 4 x NumberOfKeys + 4 values.
    void GetGeoKeyDirectoryTag(WORD** keys, WORD* count);
    void GetGeoDoubleParamsTag(double** params, int* count);
    // The bytes as stored (a NUL follows them in memory).
    void GetGeoAsciiParamsTag(char** text, int* count);
    void GetModelTiepointTag(double** points, int* count);
    // The count is 3 even when nothing was loaded.
    void GetModelPixelScaleTag(double** scale, int* count);
    // The count is 16 even when nothing was loaded.
    void GetModelTransformationTag(double** matrix, int* count);

    // Writes the key report to "tag.txt" in the current directory, decoding
    // the keys first and recording the model values for SaveGeoTIFFFile.
    // When the file cannot be created the message goes to standard error
    // and nothing is decoded or recorded.
    void OutputResult();
    // The same report to `path`; 1 on success, 0 when it cannot be created.
    int OutputResult(const char* path);
    // The same report to a stream.
    void OutputResult(std::ostream& out);

    // The values decoded by the last report, by GeoKey number: -1 (or -1.0,
    // or null) when the key is absent or not one of the GeoTIFF 1.0 keys.
    short GetShortGeoKey(int key) const;
    double GetDoubleGeoKey(int key) const;
    const char* GetTextGeoKey(int key) const;

    // The name of a GeoKey ("GTModelTypeGeoKey"): those of GeoTIFF 1.0 and
    // the later ones this class keeps (GeogTOWGS84GeoKey,
    // ProjRectifiedGridAngleGeoKey); null for other numbers.
    static const char* GeoKeyName(int key);
    // 1 when the last report decoded `key` from the file, whatever its value
    // (a held -1 included, and keys outside the GeoTIFF 1.0 table, which are
    // kept as read and written back); 0 otherwise.
    int IsGeoKeyHeld(int key) const;
    // 1 when the loaded tags came from a BigTIFF file (SaveGeoTIFFFile then
    // writes BigTIFF).
    int IsBigTIFF() const;
    // The loaded file's TIFF Orientation (1 when it has none): for 2 to 8 the
    // recorded model values follow the flips and turns that read it upright.
    int GetOrientation() const;
    // GDAL's metadata (tag 42112, XML) and no-data value (tag 42113) as
    // loaded; null when the file has none. Written back with the rest.
    const char* GetGdalMetadata() const;
    const char* GetGdalNoData() const;

    // What OutputResult does to the object (decode the keys, record the model
    // values for the writer) without writing a report. The recorded values
    // describe the picture as the library reads it: a file whose Orientation
    // stores it turned or mirrored is read upright, and its model values are
    // recorded moved with it (the report lists them as the file holds them).
    void PrepareGeoTags();
    // The map from pixel to model coordinates given by the recorded model
    // values, in GDAL's order and convention (x = t[0] + col * t[1] + row *
    // t[2], y = t[3] + col * t[4] + row * t[5], at pixel corners, also for
    // a raster of points). 0 when they give none (no model values, or tie
    // points without a pixel scale).
    int GetGeoTransform(double transform[6]) const;
    // Records `transform` (as GetGeoTransform gives it) for the writer: a tie
    // point and pixel scale when north up, else a transformation.
    void SetGeoTransform(const double transform[6]);
    // Recomputes the recorded model values for `operation` applied to an
    // image of `width` x `height` pixels (its size before the operation), so
    // every pixel keeps its place on the map; tie points without a pixel
    // scale are moved with their pixels. 0 when there is nothing to move.
    int TransformGeoreferencing(int operation, int width, int height);
    // The ESRI world file of an image at `imagePath`, as GDAL names it
    // (.tfw .bpw .pgw .jgw .gfw .pcxw, or the extension's first and last
    // letters and "w"); empty when the path has no extension.
    static CString WorldFilePath(const char* imagePath);
    // Writes the world file of GetGeoTransform beside `imagePath`; 1 on
    // success, 0 when there is no transform or the file cannot be written.
    int WriteWorldFile(const char* imagePath) const;

    // The image SaveGeoTIFFFile writes (the host keeps ownership); also takes
    // the document's gray property. Null clears it.
    void SetTargetDIB(CNewDIB* dib);

    // Writes the target image as a TIFF file (BigTIFF when the loaded file
    // was) whose one directory also holds the GeoTIFF tags of the last
    // report: every value the file held, -1 included, keys outside the 1.0
    // table, and GDAL's tags. 1 on success (also when there is nothing to
    // add), 0 when the image cannot be written (failure text set). The file
    // is written beside `path` and renamed over it only when complete.
    int SaveGeoTIFFFile(const char* path);

protected:
    // Directory readers; `offset` is the directory's place in the file.
    int ReadIIGeoTIFFTag(long offset);
    int LoadMMGeoTIFF(long offset);
    void ReadMMGeoTIFFTag(long offset);
    WORD ReadMMTwoBytes(unsigned char* const p);
    DWORD ReadMMFourBytes(unsigned char* const p);
    // Eight bytes at the file's position, most significant first.
    double ReadMMDouble();

    // One decoded key: its number, report label and field (one of three).
    struct GeoKeyField;
    // The GeoTIFF 1.0 keys in key order, which is the report's and the
    // writer's order.
    static const GeoKeyField* GeoKeyFields(int* count);

    CFile m_file;

    // Decoded key values; -1, -1.0 and null mean absent.
    short m_nKeyRevision;
    short m_nMinorRevision;
    short m_nGTModelTypeGeoKey;
    short m_nGTRasterTypeGeoKey;
    std::unique_ptr<char[]> m_pszGTCitationGeoKey;
    short m_nGeographicTypeGeoKey;
    std::unique_ptr<char[]> m_pszGeogCitationGeoKey;
    short m_nGeogGeodeticDatumGeoKey;
    short m_nGeogPrimeMeridianGeoKey;
    short m_nGeogLinearUnitsGeoKey;
    double m_dGeogLinearUnitSizeGeoKey;
    short m_nGeogAngularUnitsGeoKey;
    double m_dGeogAngularUnitSizeGeoKey;
    short m_nGeogEllipsoidGeoKey;
    double m_dGeogSemiMajorAxisGeoKey;
    double m_dGeogSemiMinorAxisGeoKey;
    double m_dGeogInvFlatteningGeoKey;
    short m_nGeogAzimuthUnitsGeoKey;
    double m_dGeogPrimeMeridianLongGeoKey;
    short m_nProjectedCSTypeGeoKey;
    std::unique_ptr<char[]> m_pszPCSCitationGeoKey;
    short m_nProjectionGeoKey;
    short m_nProjCoordTransGeoKey;
    short m_nProjLinearUnitsGeoKey;
    double m_dProjLinearUnitSizeGeoKey;
    double m_dProjStdParallel1GeoKey;
    double m_dProjStdParallel2GeoKey;
    double m_dProjNatOriginLongGeoKey;
    double m_dProjNatOriginLatGeoKey;
    double m_dProjFalseEastingGeoKey;
    double m_dProjFalseNorthingGeoKey;
    double m_dProjFalseOriginLongGeoKey;
    double m_dProjFalseOriginLatGeoKey;
    double m_dProjFalseOriginEastingGeoKey;
    double m_dProjFalseOriginNorthingGeoKey;
    double m_dProjCenterLongGeoKey;
    double m_dProjCenterLatGeoKey;
    double m_dProjCenterEastingGeoKey;
    double m_dProjCenterNorthingGeoKey;
    double m_dProjScaleAtNatOriginGeoKey;
    double m_dProjScaleAtCenterGeoKey;
    double m_dProjAzimuthAngleGeoKey;
    double m_dProjStraightVertPoleLongGeoKey;
    short m_nVerticalCSTypeGeoKey;
    std::unique_ptr<char[]> m_pszVerticalCitationGeoKey;
    short m_nVerticalDatumGeoKey;
    short m_nVerticalUnitsGeoKey;

    // Model values recorded by the report for the writer. The tie points are
    // a copy, so a later load that replaces the loaded array leaves them valid.
    std::vector<double> m_recordedTiepoints;
    double m_dPixelScale[3];
    double m_dTransformation[16];

    // Loaded tag arrays.
    std::unique_ptr<WORD[]> m_pGeoKeyDirectory;
    std::unique_ptr<double[]> m_pGeoDoubleParams;
    std::unique_ptr<char[]> m_pGeoAsciiParams;
    std::unique_ptr<double[]> m_pModelTiepoints;
    std::unique_ptr<double[]> m_pModelPixelScale;
    std::unique_ptr<double[]> m_pModelTransformation;

    WORD m_nNumberOfKeys;
    int m_nGeoDoubleParams;
    int m_nGeoAsciiParams;
    int m_nModelTiepoints;

private:
    // Presence of what was decoded and recorded, keys outside the table, and
    // GDAL's tags (geotiff/geo_extras.h).
    struct Extras;
    std::unique_ptr<Extras> m_extras;

    // Whether a report decoded a loaded key directory (the key revision read
    // from a file may be any value, -1 included).
    bool m_bKeysDecoded = false;

    void DecodeGeoKeys();
    bool DecodeKey(const GeoKeyField& field, WORD count, WORD value);
    void KeepOtherKey(const WORD* entry);
    int LoadTags();
    void LoadDirectory(const velmora::geo::TakenDirectory& directory);
    void SetKeyDirectory(const WORD* values, size_t inFile, uint64_t declared);
    void RecordModelValues();
    void FollowOrientation();
    bool HasModelScale() const;
    bool HasModelTransformation() const;
    // Records a pixel-to-model map in the file's own raster convention.
    void SetModelTransform(const double transform[6], const double* tiepoint, double zScale);
    bool IsFieldPresent(const GeoKeyField& field) const;
    const GeoKeyField* FindKey(int key) const;
    // The tags SaveGeoTIFFFile adds, in ascending tag order.
    void CollectGeoTags(std::vector<velmora::geo::GeoTag>* tags) const;
    void RebuildGeoKeys(std::vector<velmora::geo::GeoTag>* tags) const;
};
