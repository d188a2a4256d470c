// Gallery pages of the drawing helpers: text in the unit notation, a sheet of drawing
// symbols, and a plot of a real circuit simulation.

#include "controls/window/gallery_pages.h"

#include <toolbox/exchange/read_and_write_files.h>
#include <toolbox/ui/draw_symbol.h>
#include <toolbox/ui/drawing.h>
#include <toolbox/ui/plot.h>
#include <toolbox/ui/sheet_preview.h>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-output.h>
#include <gsf/gsf-utils.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

/// Draws into a white image of the given size and saves it as folder/name.
template <class F>
int SavePage(const QString& folder, const char* name, int width, int height, F draw) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        CDC dc;
        dc.AttachDevice(&image);
        draw(dc);
    }
    return image.save(folder + QLatin1Char('/') + QLatin1String(name), "PNG") ? 1 : 0;
}

void SelectFace(CDC& dc, CFont& font, int height, int weight = 400) {
    LOGFONT lf;
    lf.lfHeight = height;
    lf.lfWeight = weight;
    std::strcpy(lf.lfFaceName, "DejaVu Sans");
    font.CreateFontIndirect(&lf);
    dc.SelectObject(&font);
}

void Caption(CDC& dc, int x, int y, const char* text) {
    CFont bold;
    CFont* old = dc.GetCurrentFont();
    SelectFace(dc, bold, -13, 700);
    dc.SetBkMode(TRANSPARENT);
    dc.TextOut(x, y, text);
    dc.SelectObject(old);
}

void DrawNotationText(CDC& dc) {
    CFont font;
    SelectFace(dc, font, -15);
    Caption(dc, 12, 8, "Unit notation (DT_TB_NOTATION)");
    const char* const samples[][2] = {
        {"R = 4.7 k\\Ohm\\", "R = 4.7 k\\Ohm\\"},
        {"A = 2.5 mm\\2super\\", "A = 2.5 mm\\2super\\"},
        {"V = 0.3 m\\3super\\", "V = 0.3 m\\3super\\"},
        {"x\\4super\\ + x\\5super\\", "x\\4super\\ + x\\5super\\"},
        {"T = 20 \\degree\\C", "T = 20 \\degree\\C"},
        {"\\mu\\r = 4000, L = 12 \\mu\\H", "\\mu\\r = 4000, L = 12 \\mu\\H"},
        {"d = 1.54 \\AA\\", "d = 1.54 \\AA\\"},
    };
    dc.SetBkMode(TRANSPARENT);
    int y = 34;
    for (const auto& s : samples) {
        CRect plain(12, y, 230, y + 22);
        dc.SetTextColor(RGB(120, 120, 120));
        dc.DrawText(s[0], &plain, DT_SINGLELINE | DT_NOPREFIX);
        CRect special(240, y, 440, y + 22);
        dc.SetTextColor(RGB(0, 0, 0));
        TBSpecialDrawText(&dc, s[1], &special, DT_TB_NOTATION | DT_SINGLELINE, 0);
        y += 26;
    }

    Caption(dc, 460, 8, "Layout");
    const char* words = "The winding resistance of 0.35 \\Ohm\\ rises by 0.39 % per \\degree\\C.";
    struct Box {
        CRect rect;
        UINT format;
        const char* label;
    } boxes[] = {
        {CRect(460, 34, 700, 100), DT_WORDBREAK, "word break"},
        {CRect(460, 120, 620, 146), DT_SINGLELINE | DT_END_ELLIPSIS, "end ellipsis"},
        {CRect(460, 166, 700, 206), DT_SINGLELINE | DT_CENTER | DT_VCENTER, "centred"},
        {CRect(460, 226, 700, 252), DT_SINGLELINE | DT_RIGHT, "right"},
    };
    CFont small;
    for (const Box& b : boxes) {
        CRect frame = b.rect;
        frame.InflateRect(2, 2);
        CBrush grey(RGB(190, 190, 190));
        dc.FrameRect(&frame, &grey);
        CRect r = b.rect;
        TBSpecialDrawText(&dc, b.format & DT_SINGLELINE ? "P = 1.2 kW at 25 \\degree\\C, 50 m\\Ohm\\" : words, &r,
                          b.format | DT_TB_NOTATION, 0);
        CFont* old = dc.GetCurrentFont();
        if (!small.IsCreated()) SelectFace(dc, small, -10);
        dc.SelectObject(&small);
        dc.SetTextColor(RGB(120, 120, 120));
        dc.TextOut(static_cast<int>(b.rect.right) + 8, static_cast<int>(b.rect.top), b.label);
        dc.SetTextColor(RGB(0, 0, 0));
        dc.SelectObject(old);
    }

    // A mapped context with y up: 0.1 mm units.
    Caption(dc, 12, 230, "Mapped mode (MM_ANISOTROPIC, y up)");
    const int saved = dc.SaveDC();
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(1000, 1000);
    dc.SetViewportExt(100, -100);
    dc.SetViewportOrg(12, 360);
    CFont mapped;
    SelectFace(dc, mapped, -150);
    CRect r(0, 1000, 4200, 0);
    TBSpecialDrawText(&dc, "Z = 50 \\Ohm\\\nS = 1.5 mm\\2super\\\n\\Omega\\ = 2 \\mu\\s", &r, 0, 1);
    dc.RestoreDC(saved);
}

/// Schematic symbols in the symbol language; labels sit on level 1.
const char* const kSymbols[][2] = {
    {"Resistor",
     "S 60,30 x 1\r\nN 0 2 0\r\nB 0 16777215 0\r\nK 15,5 45,17\r\nD 15,5 45,17\r\n"
     "P 15,11 0,11 1 \"1\" 0\r\nP 45,11 60,11 1 \"2\" 0\r\nM 1 1\r\n"
     "F -7 0 0 0 400 0 0 0 0 0 0 0 0 \"DejaVu Sans\"\r\nT 30,21 \"R1\""},
    {"Capacitor",
     "S 40,30 x 1\r\nN 0 2 0\r\nL 18,2 18,20\r\nL 22,2 22,20\r\nP 18,11 0,11 1 \"1\" 0\r\n"
     "P 22,11 40,11 1 \"2\" 0\r\nM 1 1\r\nF -7 0 0 0 400 0 0 0 0 0 0 0 0 \"DejaVu Sans\"\r\n"
     "T 20,23 \"C1\""},
    {"Diode",
     "S 50,30 x 1\r\nR 2 0 0\r\nG 18,2 18,20 32,11\r\nN 0 2 0\r\nL 32,2 32,20\r\n"
     "P 18,11 0,11 1 \"A\" 0\r\nP 32,11 50,11 1 \"K\" 0\r\nM 1 1\r\n"
     "F -7 0 0 0 400 0 0 0 0 0 0 0 0 \"DejaVu Sans\"\r\nT 25,23 \"D1\""},
    {"Transistor",
     "S 50,50 x 1\r\nN 0 2 0\r\nA 10,6,46,44 28,25 28,25\r\nN 0 4 0\r\nL 22,15 22,35\r\n"
     "N 0 2 0\r\nL 22,29 36,38\r\nL 22,21 36,12\r\nP 22,25 0,25 1 \"B\" 0\r\n"
     "P 36,38 36,50 1 \"C\" 0\r\nP 36,12 36,0 1 \"E\" 1\r\nM 1 1\r\n"
     "F -7 0 0 0 400 0 0 0 0 0 0 0 0 \"DejaVu Sans\"\r\nT 44,22 \"Q1\""},
};

void DrawSymbolSheet(CDC& dc) {
    CFont font;
    SelectFace(dc, font, -12);
    Caption(dc, 12, 8, "Drawing symbols: mask 1 shows the labels (level 1), mask 0 hides them");
    for (int row = 0; row < 2; ++row) {
        for (int i = 0; i < 4; ++i) {
            CTBDrawSymbol symbol;
            CString text(kSymbols[i][1]);
            if (symbol.LoadSymbols(text) != 1) continue;
            symbol.SetCurMask(row == 0 ? 1 : 0);
            CRect frame(12 + i * 170, 40 + row * 170, 172 + i * 170, 190 + row * 170);
            CBrush grey(RGB(210, 210, 210));
            dc.FrameRect(&frame, &grey);
            symbol.Draw(&dc, &frame);
            dc.SetTextColor(RGB(90, 90, 90));
            dc.SetBkMode(TRANSPARENT);
            dc.TextOut(static_cast<int>(frame.left) + 4, static_cast<int>(frame.top) + 2, kSymbols[i][0]);
            dc.SetTextColor(RGB(0, 0, 0));
        }
    }
}

/// The channels of a data file as the engine reads them.
struct Loaded {
    std::vector<std::vector<double>> values;
    std::vector<CString> names, units;
};

bool LoadFile(const char* path, Loaded& out) {
    if (!QFile::exists(QString::fromUtf8(path))) return false;
    CReadAndWriteFiles files;
    if (!files.ReadInfoFile(path, "", -1, nullptr, nullptr, 0, 0, 2)) return false;
    const int items = std::max(0, files.GetNrItems());
    for (int i = 0; i < files.GetNrChannels(); ++i) {
        CExImPortChannel* channel = files.GetChannel(i);
        if (!channel) return false;
        out.values.emplace_back(static_cast<std::size_t>(items));
        out.names.push_back(channel->GetChannelName());
        out.units.push_back(channel->GetUnitName());
        channel->SetDoublePtr(out.values.back().data());
    }
    return files.ReadDataFile() != 0 && out.values.size() > 1;
}

void DrawSimulationPlot(CDC& dc, int width, int height) {
    Loaded file;
    TBPlotData data;
    std::vector<double> t, v;
#ifdef TOOLBOX_GALLERY_SPICE_SAMPLE
    if (LoadFile(TOOLBOX_GALLERY_SPICE_SAMPLE, file)) {
        data.title = "ngspice: ECL-compatible Schmitt trigger (transient)";
        data.x = {file.names[0], file.units[0], file.values[0].data(), static_cast<int>(file.values[0].size())};
        for (std::size_t i = 1; i < file.values.size(); ++i)
            data.curves.push_back({"V(" + file.names[i] + ")", file.units[i], file.values[i].data(),
                                   static_cast<int>(file.values[i].size())});
    }
#endif
    if (data.curves.empty()) {  // the sample is not installed: an RC step instead
        for (int i = 0; i <= 1000; ++i) {
            t.push_back(i * 1e-6);
            v.push_back(5.0 * (1 - std::exp(-i / 220.0)));
        }
        data.title = "RC step response (computed)";
        data.x = {"time", "s", t.data(), static_cast<int>(t.size())};
        data.curves.push_back({"V(out)", "V", v.data(), static_cast<int>(v.size())});
    }
    TBDrawPlot(&dc, CRect(0, 0, width, height), data);
}

/// A sheet file: a compound file with one stream, written with libgsf.
bool WriteSheet(const QString& path, const char* stream, const QByteArray& bytes) {
    gsf_init();
    GError* error = nullptr;
    GsfOutput* file = gsf_output_stdio_new(path.toUtf8().constData(), &error);
    if (error) g_error_free(error);
    if (!file) return false;
    GsfOutfile* storage = gsf_outfile_msole_new(file);
    g_object_unref(file);
    GsfOutput* child = gsf_outfile_new_child(storage, stream, FALSE);
    const bool written = gsf_output_write(child, static_cast<std::size_t>(bytes.size()),
                                          reinterpret_cast<const guint8*>(bytes.constData()));
    gsf_output_close(child);
    g_object_unref(child);
    gsf_output_close(GSF_OUTPUT(storage));
    g_object_unref(storage);
    return written;
}

/// Sheet files made from the test pictures (a metafile LibreOffice wrote, a GIF) and
/// shown through CTBSheetPreview, each fitted into a frame of another shape.
void DrawPreviews(CDC& dc) {
    CFont font;
    SelectFace(dc, font, -12);
    Caption(dc, 12, 8, "Sheet previews: a WMF picture and a GIF image, fitted and centred");
    QTemporaryDir dir;
    struct Sample {
        const char* file;
        const char* stream;
        const char* label;
    } samples[] = {{"shapes.wmf", "MetaFileImage", "MetaFileImage (WMF by LibreOffice)"},
                   {"halves.gif", "QuickViewImage", "QuickViewImage (GIF)"}};
    for (int i = 0; i < 2; ++i) {
        const CRect frame(12 + i * 330, 50, 312 + i * 330, 300);
        CBrush grey(RGB(190, 190, 190));
        CRect edge = frame;
        edge.InflateRect(1, 1);
        dc.FrameRect(&edge, &grey);
        dc.SetBkMode(TRANSPARENT);
        dc.TextOut(static_cast<int>(frame.left), 30, samples[i].label);
        QByteArray bytes;
#ifdef TOOLBOX_GALLERY_PREVIEW_DIR
        QFile in(QStringLiteral(TOOLBOX_GALLERY_PREVIEW_DIR "/") + QLatin1String(samples[i].file));
        if (in.open(QIODevice::ReadOnly)) bytes = in.readAll();
#endif
        if (i == 0 && !bytes.isEmpty()) {
            // Stored as a serialised picture object: "lt\0\0", the size, the metafile.
            QByteArray object("lt\0\0", 4);
            const quint32 n = static_cast<quint32>(bytes.size());
            for (int k = 0; k < 4; ++k) object.append(static_cast<char>((n >> (8 * k)) & 0xFF));
            bytes = object + bytes;
        }
        const QString sheet = dir.filePath(QStringLiteral("sheet%1.vsh").arg(i));
        CTBSheetPreview preview;
        if (!dir.isValid() || bytes.isEmpty() || !WriteSheet(sheet, samples[i].stream, bytes) ||
            !preview.LoadPreview(sheet.toUtf8().constData())) {
            dc.TextOut(static_cast<int>(frame.left) + 8, static_cast<int>(frame.top) + 8, "(sample not found)");
            continue;
        }
        preview.Display(&dc, frame);
    }
}

}  // namespace

int TBRenderDrawingGallery(const QString& folder) {
    int written = SavePage(folder, "notation_text.png", 820, 380, DrawNotationText);
    written += SavePage(folder, "symbols.png", 700, 380, DrawSymbolSheet);
    written += SavePage(folder, "plot.png", 960, 540, [](CDC& dc) { DrawSimulationPlot(dc, 960, 540); });
    written += SavePage(folder, "preview.png", 660, 320, DrawPreviews);
    return written;
}

namespace {
const CGalleryPages kPages("drawing", TBRenderDrawingGallery);
}  // namespace
