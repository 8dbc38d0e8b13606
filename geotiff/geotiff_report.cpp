// The key report: every GeoKey on a line of its own, then the model tags.
// Writing it decodes the keys and records the model values the writer uses.
#include <fstream>
#include <iomanip>
#include <iostream>
#include <locale>

#include "geotiff/geokey_table.h"

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

void CGeoTIFF::OutputResult(std::ostream& out) {
    DefaultNumberFormat format(out);
    DecodeGeoKeys();
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
    if (m_pModelTiepoints) {
        m_recordedTiepoints.assign(m_pModelTiepoints.get(), m_pModelTiepoints.get() + m_nModelTiepoints);
        out << std::endl << "ModelTiepointTag:\n";
        for (int i = 0; i < m_nModelTiepoints; ++i) {
            out << m_pModelTiepoints[i] << ", ";
            if ((i + 1) % 6 == 0) out << std::endl;
        }
    }
    if (m_pModelPixelScale) {
        out << std::endl << "ModelPixelScaleTag: ";
        for (int i = 0; i < 3; ++i) {
            m_dPixelScale[i] = m_pModelPixelScale[i];
            out << m_dPixelScale[i] << ", ";
        }
    }
    if (m_pModelTransformation) {
        out << std::endl << "ModelTransformationTag:\n";
        for (int i = 0; i < 16; ++i) {
            m_dTransformation[i] = m_pModelTransformation[i];
            out << std::setw(14) << m_dTransformation[i] << ", ";
            if ((i + 1) % 4 == 0) out << std::endl;
        }
    }
}
