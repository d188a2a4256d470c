// Drawing: device contexts over QPainter with the framework's drawing objects and
// state. Every call of a CDC becomes one drawing record (operation, integers, text);
// the record changes the context's state or is rendered through the painter, is kept
// by a recording context (tests read the calls and their arguments) and by a metafile
// context (played back later into any other context).
#pragma once

#include <toolbox/types/cstring.h>
#include <toolbox/ui/win_messages.h>

#include <memory>
#include <vector>

class QPainter;
class QPaintDevice;
class QImage;
class CWnd;

// Pen styles, brush styles and hatches (the framework's values).
constexpr UINT PS_SOLID = 0;
constexpr UINT PS_DASH = 1;
constexpr UINT PS_DOT = 2;
constexpr UINT PS_DASHDOT = 3;
constexpr UINT PS_DASHDOTDOT = 4;
constexpr UINT PS_NULL = 5;
constexpr UINT PS_INSIDEFRAME = 6;
constexpr UINT PS_STYLE_MASK = 0xF;
constexpr UINT PS_ENDCAP_ROUND = 0x000;
constexpr UINT PS_ENDCAP_SQUARE = 0x100;
constexpr UINT PS_ENDCAP_FLAT = 0x200;
constexpr UINT PS_JOIN_ROUND = 0x0000;
constexpr UINT PS_JOIN_BEVEL = 0x1000;
constexpr UINT PS_JOIN_MITER = 0x2000;
constexpr UINT PS_GEOMETRIC = 0x10000;
constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;
constexpr UINT BS_HOLLOW = 1;
constexpr UINT BS_HATCHED = 2;
constexpr int HS_HORIZONTAL = 0;
constexpr int HS_VERTICAL = 1;
constexpr int HS_FDIAGONAL = 2;
constexpr int HS_BDIAGONAL = 3;
constexpr int HS_CROSS = 4;
constexpr int HS_DIAGCROSS = 5;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = 5;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int DEFAULT_GUI_FONT = 17;

// Mapping modes.
constexpr int MM_TEXT = 1;
constexpr int MM_LOMETRIC = 2;
constexpr int MM_HIMETRIC = 3;
constexpr int MM_LOENGLISH = 4;
constexpr int MM_HIENGLISH = 5;
constexpr int MM_TWIPS = 6;
constexpr int MM_ISOTROPIC = 7;
constexpr int MM_ANISOTROPIC = 8;

// Background modes, text alignment, polygon fill.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr UINT TA_NOUPDATECP = 0;
constexpr UINT TA_UPDATECP = 1;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;

// DrawText flags.
constexpr UINT DT_LEFT = 0x0;
constexpr UINT DT_TOP = 0x0;
constexpr UINT DT_CENTER = 0x1;
constexpr UINT DT_RIGHT = 0x2;
constexpr UINT DT_VCENTER = 0x4;
constexpr UINT DT_BOTTOM = 0x8;
constexpr UINT DT_WORDBREAK = 0x10;
constexpr UINT DT_SINGLELINE = 0x20;
constexpr UINT DT_EXPANDTABS = 0x40;
constexpr UINT DT_NOCLIP = 0x100;
constexpr UINT DT_CALCRECT = 0x400;
constexpr UINT DT_NOPREFIX = 0x800;
constexpr UINT DT_PATH_ELLIPSIS = 0x4000;
constexpr UINT DT_END_ELLIPSIS = 0x8000;

// Frame controls.
constexpr UINT DFC_BUTTON = 4;
constexpr UINT DFC_SCROLL = 3;
constexpr UINT DFCS_BUTTONCHECK = 0x0000;
constexpr UINT DFCS_BUTTONRADIO = 0x0004;
constexpr UINT DFCS_BUTTONPUSH = 0x0010;
constexpr UINT DFCS_SCROLLCOMBOBOX = 0x0005;
constexpr UINT DFCS_INACTIVE = 0x0100;
constexpr UINT DFCS_PUSHED = 0x0200;
constexpr UINT DFCS_CHECKED = 0x0400;
constexpr UINT DFCS_FLAT = 0x4000;

// System colours the controls draw with.
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_BTNHIGHLIGHT = 20;
/// The colour of a system colour index, from the application's palette.
TB_EXPORT COLORREF GetSysColor(int index);

/// Raster operations for BitBlt.
constexpr DWORD SRCCOPY = 0x00CC0020;

/// Base of pens, brushes, fonts and bitmaps.
class TB_EXPORT CGdiObject {
public:
    virtual ~CGdiObject() = default;
    virtual BOOL DeleteObject() {
        m_created = false;
        return TRUE;
    }
    bool IsCreated() const { return m_created; }

protected:
    bool m_created = false;
};

class TB_EXPORT CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(UINT style, int width, COLORREF colour) { CreatePen(style, width, colour); }
    BOOL CreatePen(UINT style, int width, COLORREF colour);
    /// A geometric pen: style with PS_GEOMETRIC, end caps and joins, and a brush's colour.
    BOOL CreatePen(UINT style, int width, const LOGBRUSH* brush);
    BOOL CreatePenIndirect(const LOGPEN* pen);
    int GetLogPen(LOGPEN* pen) const;
    const LOGPEN& Log() const { return m_log; }

private:
    LOGPEN m_log;
};

class TB_EXPORT CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF colour) { CreateSolidBrush(colour); }
    CBrush(int hatch, COLORREF colour) { CreateHatchBrush(hatch, colour); }
    BOOL CreateSolidBrush(COLORREF colour);
    /// hatch is one of HS_HORIZONTAL ... HS_DIAGCROSS; false for another value.
    BOOL CreateHatchBrush(int hatch, COLORREF colour);
    BOOL CreateBrushIndirect(const LOGBRUSH* brush);
    BOOL CreateSysColorBrush(int index) { return CreateSolidBrush(GetSysColor(index)); }
    int GetLogBrush(LOGBRUSH* brush) const;
    const LOGBRUSH& Log() const { return m_log; }

private:
    LOGBRUSH m_log;
};

class TB_EXPORT CFont : public CGdiObject {
public:
    BOOL CreateFontIndirect(const LOGFONT* font);
    /// Point size in tenths of a point, converted with the context's (or 96 dpi) resolution.
    BOOL CreatePointFont(int pointSizeTenths, LPCTSTR faceName, CDC* dc = nullptr);
    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                    BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                    BYTE pitchAndFamily, LPCTSTR faceName);
    int GetLogFont(LOGFONT* font) const;
    const LOGFONT& Log() const { return m_log; }

private:
    LOGFONT m_log;
};

/// A bitmap: an image in memory that a memory context draws into.
class TB_EXPORT CBitmap : public CGdiObject {
public:
    CBitmap();
    ~CBitmap() override;
    BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
    BOOL CreateBitmap(int width, int height);
    /// Reads a PNG (or any format Qt reads) file.
    BOOL LoadFromFile(LPCTSTR path);
    CSize GetBitmapDimension() const;
    QImage* GetImage() const { return m_image.get(); }
    BOOL DeleteObject() override;

private:
    std::unique_ptr<QImage> m_image;
};

/// An icon: a colour image with a transparency mask. The caller owns it (DestroyIcon).
typedef struct HICON__* HICON;
/// Makes an icon of bitmap whose pixels of the transparent colour become see-through
/// (0xFFFFFFFF: the colour of the top-left pixel); those pixels are black and fully
/// transparent in the icon's image. Null when the bitmap holds no image.
TB_EXPORT HICON TBBitmapToIcon(CDC* dc, CBitmap* bitmap, COLORREF transparent);
TB_EXPORT BOOL DestroyIcon(HICON icon);
/// The icon's image (premultiplied ARGB); null for a null icon.
TB_EXPORT const QImage* TBGetIconImage(HICON icon);

/// The font metrics a context reports.
struct TEXTMETRIC {
    long tmHeight = 0;
    long tmAscent = 0;
    long tmDescent = 0;
    long tmInternalLeading = 0;
    long tmExternalLeading = 0;
    long tmAveCharWidth = 0;
    long tmMaxCharWidth = 0;
    long tmWeight = 0;
};

/// One drawing call: what a recording context keeps and a metafile plays back.
struct TB_EXPORT CDrawRecord {
    enum Op {
        SelectPen,
        SelectBrush,
        SelectFont,
        SetTextColor,
        SetBkColor,
        SetBkMode,
        SetTextAlign,
        SetMapMode,
        SetWindowOrg,
        SetWindowExt,
        SetViewportOrg,
        SetViewportExt,
        SetPolyFillMode,
        SaveDC,
        RestoreDC,
        IntersectClipRect,
        SelectClipRgnNone,
        MoveTo,
        LineTo,
        Polyline,
        Polygon,
        Rectangle,
        RoundRect,
        Ellipse,
        Arc,
        Pie,
        Chord,
        SetPixel,
        FillSolidRect,
        FillRect,
        FrameRect,
        Draw3dRect,
        DrawFocusRect,
        DrawFrameControl,
        TextOut,
        DrawText,
        DrawImage
    };
    Op op;
    std::vector<long> args;
    CString text;
    /// DrawImage: the pixels as they were at the call. The record shares them, so a
    /// kept record still draws after the caller's bitmap is gone.
    std::shared_ptr<const QImage> image = nullptr;
    /// The call as text, e.g. "LineTo(10,20)" or "TextOut(5,5,\"Hi\")".
    CString ToString() const;
};

/// A device context: the framework's drawing state over a QPainter.
class TB_EXPORT CDC {
public:
    CDC();
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    /// The context a DRAWITEMSTRUCT's hDC names.
    static CDC* FromHandle(HDC hdc) { return reinterpret_cast<CDC*>(hdc); }
    HDC GetSafeHdc() { return reinterpret_cast<HDC>(this); }
    /// Draws on device (a widget inside its paint event, an image, a printer).
    BOOL AttachDevice(QPaintDevice* device);
    /// Draws through a painter that is already active (item delegates); not owned.
    BOOL AttachPainter(QPainter* painter);
    void DetachDevice();
    /// A memory context: draws into the bitmap selected into it.
    BOOL CreateCompatibleDC(CDC* dc);
    QPainter* GetPainter() const;

    // --- objects and state
    CPen* SelectObject(CPen* pen);
    CBrush* SelectObject(CBrush* brush);
    CFont* SelectObject(CFont* font);
    CBitmap* SelectObject(CBitmap* bitmap);
    /// Selects a stock pen or brush; returns the previous one of that kind.
    CGdiObject* SelectStockObject(int index);
    CPen* GetCurrentPen() const { return m_state.pen; }
    CBrush* GetCurrentBrush() const { return m_state.brush; }
    CFont* GetCurrentFont() const { return m_state.font; }
    COLORREF SetTextColor(COLORREF colour);
    COLORREF GetTextColor() const { return m_state.textColour; }
    COLORREF SetBkColor(COLORREF colour);
    COLORREF GetBkColor() const { return m_state.bkColour; }
    int SetBkMode(int mode);
    int GetBkMode() const { return m_state.bkMode; }
    UINT SetTextAlign(UINT flags);
    UINT GetTextAlign() const { return m_state.textAlign; }
    int SetPolyFillMode(int mode);
    /// Saves the whole state; returns its level (1, 2, ...).
    int SaveDC();
    /// Restores level (negative: relative, -1 the last saved); false for an unknown level.
    BOOL RestoreDC(int level);

    // --- mapping
    int SetMapMode(int mode);
    int GetMapMode() const { return m_state.mapMode; }
    CPoint SetWindowOrg(int x, int y);
    CSize SetWindowExt(int cx, int cy);
    CPoint SetViewportOrg(int x, int y);
    CSize SetViewportExt(int cx, int cy);
    CPoint GetWindowOrg() const { return m_state.windowOrg; }
    CSize GetWindowExt() const;
    CPoint GetViewportOrg() const { return m_state.viewportOrg; }
    CSize GetViewportExt() const;
    void LPtoDP(POINT* points, int count = 1) const;
    void LPtoDP(RECT* rect) const;
    void DPtoLP(POINT* points, int count = 1) const;
    void DPtoLP(RECT* rect) const;
    /// Logical units per inch of the device (96 for images and offscreen windows).
    int GetDeviceCaps(int index) const;
    int IntersectClipRect(int left, int top, int right, int bottom);
    int IntersectClipRect(const RECT& r) { return IntersectClipRect(r.left, r.top, r.right, r.bottom); }
    /// Removes the clip region.
    int SelectClipRgn(std::nullptr_t);

    // --- lines and shapes (logical coordinates)
    CPoint MoveTo(int x, int y);
    CPoint MoveTo(POINT p) { return MoveTo(p.x, p.y); }
    BOOL LineTo(int x, int y);
    BOOL LineTo(POINT p) { return LineTo(p.x, p.y); }
    CPoint GetCurrentPosition() const { return m_state.position; }
    BOOL Polyline(const POINT* points, int count);
    BOOL Polygon(const POINT* points, int count);
    BOOL Rectangle(int l, int t, int r, int b);
    BOOL Rectangle(const RECT* r) { return Rectangle(r->left, r->top, r->right, r->bottom); }
    BOOL RoundRect(int l, int t, int r, int b, int ellipseWidth, int ellipseHeight);
    BOOL Ellipse(int l, int t, int r, int b);
    BOOL Ellipse(const RECT* r) { return Ellipse(r->left, r->top, r->right, r->bottom); }
    /// Counter-clockwise from the ray through (x3,y3) to the ray through (x4,y4).
    BOOL Arc(int l, int t, int r, int b, int x3, int y3, int x4, int y4);
    BOOL Pie(int l, int t, int r, int b, int x3, int y3, int x4, int y4);
    BOOL Chord(int l, int t, int r, int b, int x3, int y3, int x4, int y4);
    COLORREF SetPixel(int x, int y, COLORREF colour);
    void FillSolidRect(const RECT* rect, COLORREF colour);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF colour);
    void FillRect(const RECT* rect, CBrush* brush);
    void FrameRect(const RECT* rect, CBrush* brush);
    void Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight);
    void DrawFocusRect(const RECT* rect);
    /// Check and radio glyphs, push buttons and combo buttons (DFC_, DFCS_ flags).
    BOOL DrawFrameControl(RECT* rect, UINT type, UINT state);
    /// Copies the source context's bitmap (a memory context) to (x, y).
    BOOL BitBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, DWORD rop = SRCCOPY);
    BOOL StretchBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, int srcWidth, int srcHeight,
                    DWORD rop = SRCCOPY);

    // --- text
    BOOL TextOut(int x, int y, const CString& text);
    /// Draws text into rect by the DT_ flags; returns the height of the text drawn.
    /// With DT_CALCRECT only rect is set (right and bottom grow to the text).
    int DrawText(const CString& text, RECT* rect, UINT format);
    CSize GetTextExtent(const CString& text) const;
    CSize GetTabbedTextExtent(const CString& text) const { return GetTextExtent(text); }
    BOOL GetTextMetrics(TEXTMETRIC* metrics) const;

    /// Appends a record and carries it out; the path every call above takes.
    void Apply(const CDrawRecord& record);

protected:
    /// Where a record goes besides being carried out (recording and metafile contexts).
    virtual void Keep(const CDrawRecord&) {}
    /// Whether records are rendered (a metafile context only keeps them).
    bool m_render = true;

private:
    struct State {
        CPen* pen = nullptr;
        CBrush* brush = nullptr;
        CFont* font = nullptr;
        COLORREF textColour = 0;
        COLORREF bkColour = 0xFFFFFF;
        int bkMode = OPAQUE;
        UINT textAlign = 0;
        int polyFillMode = ALTERNATE;
        int mapMode = MM_TEXT;
        CPoint windowOrg;
        CSize windowExt{1, 1};
        CPoint viewportOrg;
        CSize viewportExt{1, 1};
        CPoint position;
        bool clipped = false;
        RECT clip = {0, 0, 0, 0};
    };
    void Carry(const CDrawRecord& record);
    void ApplyState(const CDrawRecord& record);
    void Render(const CDrawRecord& record);
    void SetupPainter() const;
    void DrawTextLines(const CDrawRecord& record);
    double ScaleX() const;
    double ScaleY() const;
    void FixIsotropic();
    long TextHeightPx() const;
    void ApplyMetricExtents();
    int LogicalPixelsY() const;
    State m_state;
    std::vector<State> m_saved;
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    friend class CMetaFileDC;
};

/// The painter of a window inside its WM_PAINT handling.
class TB_EXPORT CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;
    /// The area to repaint (the whole client area).
    RECT m_rcPaint = {0, 0, 0, 0};
};

/// Drawing into a window outside its paint event: the window's backing image, shown
/// at the next paint.
class TB_EXPORT CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* wnd);
    ~CClientDC() override;

private:
    CWnd* m_wnd;
};

/// A context that draws into an image of its own and keeps every call with its
/// arguments; tests compare the calls and look at the pixels.
class TB_EXPORT CRecordingDC : public CDC {
public:
    explicit CRecordingDC(int width = 200, int height = 100);
    ~CRecordingDC() override;
    const std::vector<CDrawRecord>& GetRecords() const { return m_records; }
    /// The calls one per line; state calls too unless drawingOnly.
    CString GetRecordsText(bool drawingOnly = false) const;
    void ClearRecords() { m_records.clear(); }
    QImage& GetImage();

protected:
    void Keep(const CDrawRecord& record) override { m_records.push_back(record); }

private:
    std::vector<CDrawRecord> m_records;
    std::unique_ptr<QImage> m_image;
};

/// A recorded picture: the records of a metafile context, played into any context.
class TB_EXPORT CMetaFile {
public:
    std::vector<CDrawRecord> records;
    /// Plays the records into dc with its current state saved and restored around them.
    BOOL Play(CDC* dc) const;
};

/// Records calls without drawing; Close hands out the picture.
class TB_EXPORT CMetaFileDC : public CDC {
public:
    CMetaFileDC();
    BOOL Create() {
        m_file = std::make_unique<CMetaFile>();
        return TRUE;
    }
    /// The recorded picture; the context is empty afterwards.
    std::unique_ptr<CMetaFile> Close();

protected:
    void Keep(const CDrawRecord& record) override;

private:
    std::unique_ptr<CMetaFile> m_file;
};
