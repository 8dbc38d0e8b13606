// The key report: every GeoKey on a line of its own, then the model tags.
// Writing it decodes the keys and records the model values the writer uses.
#include <fstream>
#include <iomanip>
#include <iostream>
#include <locale>

#include "geotiff/geo_extras.h"

namespace {

// The stream's default number format (six significant digits, general
// notation, the classic locale) for the length of the report; the caller's
// settings come back afterwards.
class DefaultNumberFormat {
public:
    explicit DefaultNumberFormat(std::ostream& out)
        : m_out(out), m_flags(out.flags()), m_precision(out.precision()), m_fill(out.fill()),
          m_locale(out.imbue(std::locale::classic())) {
        out.flags(std::ios_base::dec | std::ios_base::skipws);
        out.precision(6);
        out.fill(' ');
    }
    ~DefaultNumberFormat() {
        m_out.flags(m_flags);
        m_out.precision(m_precision);
        m_out.fill(m_fill);
        m_out.imbue(m_locale);
    }

private:
    std::ostream& m_out;
    std::ios_base::fmtflags m_flags;
    std::streamsize m_precision;
    char m_fill;
    std::locale m_locale;
};

const char kReportName[] = "tag.txt";

}  // namespace

void CGeoTIFF::OutputResult() {
    std::ofstream file(kReportName);
    if (!file) {
        // The original ended the process here; a library must not.
        std::cerr << "cannot create \"" << kReportName << "\" for output\n";
        return;
    }
    OutputResult(file);
}

int CGeoTIFF::OutputResult(const char* path) {
    std::ofstream file(path);
    if (!file) return 0;
    OutputResult(file);
    file.close();
    return file ? 1 : 0;
}

void CGeoTIFF::PrepareGeoTags() {
    DecodeGeoKeys();
    RecordModelValues();
}

// What the writer takes from the loaded tags; values recorded earlier stay
// for tags that are no longer loaded.
void CGeoTIFF::RecordModelValues() {
    Extras& extras = *m_extras;
    if (m_pModelTiepoints) {
        m_recordedTiepoints.assign(m_pModelTiepoints.get(), m_pModelTiepoints.get() + m_nModelTiepoints);
        extras.tiepointsRecorded = true;
    }
    if (m_pModelPixelScale) {
        std::copy(m_pModelPixelScale.get(), m_pModelPixelScale.get() + 3, m_dPixelScale);
        extras.pixelScaleRecorded = true;
    }
    if (m_pModelTransformation) {
        std::copy(m_pModelTransformation.get(), m_pModelTransformation.get() + 16, m_dTransformation);
        extras.transformationRecorded = true;
    }
    if (extras.metadata) extras.recordedMetadata = std::make_unique<std::string>(*extras.metadata);
    if (extras.noData) extras.recordedNoData = std::make_unique<std::string>(*extras.noData);
    extras.recordedBigTiff = extras.bigTiff;
    FollowOrientation();
}

void CGeoTIFF::OutputResult(std::ostream& out) {
    DefaultNumberFormat format(out);
    PrepareGeoTags();
    out << "Keys" << std::endl << std::endl;
    int count = 0;
    const GeoKeyField* fields = GeoKeyFields(&count);
    for (int i = 0; i < count; ++i) {
        const GeoKeyField& field = fields[i];
        switch (field.kind) {
            case GeoKeyField::kShort: out << field.name << " = " << this->*field.shortField << std::endl; break;
            case GeoKeyField::kDouble: out << field.name << " = " << this->*field.doubleField << std::endl; break;
            case GeoKeyField::kText:
                // A present text stands between empty lines.
                if (const char* text = (this->*field.textField).get())
                    out << std::endl << field.name << " = " << text << "\n\n";
                else
                    out << field.name << " = NULL" << std::endl;
                break;
        }
    }
    // Keys outside the table are kept for the writer but not listed: the
    // report is the same as for the file without them.
    if (m_pModelTiepoints) {
        out << std::endl << "ModelTiepointTag:\n";
        for (int i = 0; i < m_nModelTiepoints; ++i) {
            out << m_pModelTiepoints[i] << ", ";
            if ((i + 1) % 6 == 0) out << std::endl;
        }
    }
    if (m_pModelPixelScale) {
        out << std::endl << "ModelPixelScaleTag: ";
        for (int i = 0; i < 3; ++i) out << m_pModelPixelScale[i] << ", ";
    }
    if (m_pModelTransformation) {
        out << std::endl << "ModelTransformationTag:\n";
        for (int i = 0; i < 16; ++i) {
            out << std::setw(14) << m_pModelTransformation[i] << ", ";
            if ((i + 1) % 4 == 0) out << std::endl;
        }
    }
}
