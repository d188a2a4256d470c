/// \file
/// \brief Drawing: device contexts over QPainter with the framework's drawing objects and state.
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

/// Pen styles, brush styles and hatches (the framework's values).
///@{
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
///@}

/// Stock objects of SelectStockObject: white to black brushes, the hollow brush, white, black and null pens, the dialog font.
///@{
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
///@}

/// Mapping modes of SetMapMode: device pixels (MM_TEXT), metric and inch units with y up, and the isotropic and anisotropic scales of SetWindowExt and SetViewportExt.
///@{
constexpr int MM_TEXT = 1;
constexpr int MM_LOMETRIC = 2;
constexpr int MM_HIMETRIC = 3;
constexpr int MM_LOENGLISH = 4;
constexpr int MM_HIENGLISH = 5;
constexpr int MM_TWIPS = 6;
constexpr int MM_ISOTROPIC = 7;
constexpr int MM_ANISOTROPIC = 8;
///@}

/// Background modes (OPAQUE, TRANSPARENT), text alignment flags (TA_) and polygon fill modes (ALTERNATE, WINDING).
///@{
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
///@}

/// DrawText flags (DT_): alignment, single line, word break, clipping, ellipsis, measuring only (DT_CALCRECT).
///@{
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
///@}

/// DrawFrameControl kinds (DFC_) and states (DFCS_): check and radio glyphs, push buttons, combo buttons.
///@{
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
///@}

/// System colours the controls draw with.
///@{
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_BTNHIGHLIGHT = 20;
///@}
/// The colour of a system colour index, from the application's palette.
TB_EXPORT COLORREF GetSysColor(int index);

/// Raster operations for BitBlt.
constexpr DWORD SRCCOPY = 0x00CC0020;

/// Base of pens, brushes, fonts and bitmaps.
class TB_EXPORT CGdiObject {
public:
    virtual ~CGdiObject() = default;
    /// Releases the object; it can be created again. Returns TRUE.
    virtual BOOL DeleteObject() {
        m_created = false;
        return TRUE;
    }
    /// True after a successful Create call and before DeleteObject.
    bool IsCreated() const { return m_created; }

protected:
    /// Set by the Create calls, cleared by DeleteObject.
    bool m_created = false;
};

/// A pen: line style (PS_...), width in logical units and colour. Not owned by the context it is selected into: keep it alive while selected.
class TB_EXPORT CPen : public CGdiObject {
public:
    CPen() = default;
    /// A pen created at once (see CreatePen).
    CPen(UINT style, int width, COLORREF colour) { CreatePen(style, width, colour); }
    /// Sets style (PS_...), width (negative taken as 0, which draws one pixel) and colour; returns TRUE.
    BOOL CreatePen(UINT style, int width, COLORREF colour);
    /// A geometric pen: style with PS_GEOMETRIC, end caps and joins, and a brush's colour.
    BOOL CreatePen(UINT style, int width, const LOGBRUSH* brush);
    /// Copies a LOGPEN; FALSE for null.
    BOOL CreatePenIndirect(const LOGPEN* pen);
    /// Copies the pen's settings into pen; 0 for null or a pen not created, otherwise non-zero.
    int GetLogPen(LOGPEN* pen) const;
    /// The pen's settings.
    const LOGPEN& Log() const { return m_log; }

private:
    LOGPEN m_log;
};

/// A brush: solid, hatched or hollow fill. Not owned by the context it is selected into: keep it alive while selected.
class TB_EXPORT CBrush : public CGdiObject {
public:
    CBrush() = default;
    /// A solid brush of colour.
    explicit CBrush(COLORREF colour) { CreateSolidBrush(colour); }
    /// A hatched brush (HS_...) of colour.
    CBrush(int hatch, COLORREF colour) { CreateHatchBrush(hatch, colour); }
    /// Makes the brush solid in colour; returns TRUE.
    BOOL CreateSolidBrush(COLORREF colour);
    /// hatch is one of HS_HORIZONTAL ... HS_DIAGCROSS; false for another value.
    BOOL CreateHatchBrush(int hatch, COLORREF colour);
    /// Copies a LOGBRUSH; FALSE for null, an unknown style or an unknown hatch.
    BOOL CreateBrushIndirect(const LOGBRUSH* brush);
    /// A solid brush of a system colour (COLOR_...).
    BOOL CreateSysColorBrush(int index) { return CreateSolidBrush(GetSysColor(index)); }
    /// Copies the brush's settings into brush; 0 for null or a brush not created, otherwise non-zero.
    int GetLogBrush(LOGBRUSH* brush) const;
    /// The brush's settings.
    const LOGBRUSH& Log() const { return m_log; }

private:
    LOGBRUSH m_log;
};

/// A font described by a LOGFONT; drawn with the matching Qt font. Not owned by the context it is selected into.
class TB_EXPORT CFont : public CGdiObject {
public:
    /// Copies a LOGFONT (the face name is cut to 31 bytes); FALSE for null.
    BOOL CreateFontIndirect(const LOGFONT* font);
    /// Point size in tenths of a point, converted with the context's (or 96 dpi) resolution.
    BOOL CreatePointFont(int pointSizeTenths, LPCTSTR faceName, CDC* dc = nullptr);
    /// A font from the LOGFONT fields given one by one; faceName may be null for the default face.
    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                    BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                    BYTE pitchAndFamily, LPCTSTR faceName);
    /// Copies the font's description into font; 0 for null or a font not created, otherwise non-zero.
    int GetLogFont(LOGFONT* font) const;
    /// The font's description.
    const LOGFONT& Log() const { return m_log; }

private:
    LOGFONT m_log;
};

/// A bitmap: an image in memory that a memory context draws into.
class TB_EXPORT CBitmap : public CGdiObject {
public:
    CBitmap();
    ~CBitmap() override;
    /// A white image of width by height pixels (dc is not needed); FALSE when a side is not between 1 and 32767.
    BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
    /// A white image of width by height pixels; FALSE when a side is not between 1 and 32767.
    BOOL CreateBitmap(int width, int height);
    /// Reads a PNG (or any format Qt reads) file.
    BOOL LoadFromFile(LPCTSTR path);
    /// Width and height of the image in pixels; 0 by 0 without one.
    CSize GetBitmapDimension() const;
    /// The image; owned by the bitmap, null before a Create call.
    QImage* GetImage() const { return m_image.get(); }
    /// Releases the image.
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
/// Destroys an icon made by TBBitmapToIcon; FALSE for null.
TB_EXPORT BOOL DestroyIcon(HICON icon);
/// The icon's image (premultiplied ARGB); null for a null icon.
TB_EXPORT const QImage* TBGetIconImage(HICON icon);

/// The font metrics a context reports.
struct TEXTMETRIC {
    long tmHeight = 0;  ///< Character height (ascent + descent) in pixels.
    long tmAscent = 0;  ///< Height above the base line.
    long tmDescent = 0;  ///< Depth below the base line.
    long tmInternalLeading = 0;  ///< Leading inside tmHeight (accents).
    long tmExternalLeading = 0;  ///< Extra space the font suggests between lines.
    long tmAveCharWidth = 0;  ///< Average character width.
    long tmMaxCharWidth = 0;  ///< Widest character.
    long tmWeight = 0;  ///< Weight (400 normal, 700 bold).
};

/// One drawing call: what a recording context keeps and a metafile plays back.
struct TB_EXPORT CDrawRecord {
    /// What a record does; each value is the CDC member of the same name.
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
    Op op;  ///< The call.
    std::vector<long> args;  ///< Its integer arguments in the order of the member's parameters (points flattened as x, y pairs).
    CString text;  ///< Its text argument (TextOut, DrawText), empty otherwise.
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
    /// The handle a DRAWITEMSTRUCT or a message carries; FromHandle turns it back.
    HDC GetSafeHdc() { return reinterpret_cast<HDC>(this); }
    /// Draws on device (a widget inside its paint event, an image, a printer).
    BOOL AttachDevice(QPaintDevice* device);
    /// Draws through a painter that is already active (item delegates); not owned.
    BOOL AttachPainter(QPainter* painter);
    /// Ends drawing on the device or painter attached; the painter is released.
    void DetachDevice();
    /// A memory context: draws into the bitmap selected into it.
    BOOL CreateCompatibleDC(CDC* dc);
    /// The painter drawing goes through; null while nothing is attached.
    QPainter* GetPainter() const;

    // --- objects and state
    /// Selects a pen for lines and outlines; returns the previous one (null for a null pen, which selects nothing).
    CPen* SelectObject(CPen* pen);
    /// Selects a brush for fills; returns the previous one (null for a null brush, which selects nothing).
    CBrush* SelectObject(CBrush* brush);
    /// Selects a font for text; returns the previous one (null for a null font, which selects nothing).
    CFont* SelectObject(CFont* font);
    /// Selects the bitmap a memory context draws into; returns the previous one, null for a context that is not a memory context or a bitmap without an image.
    CBitmap* SelectObject(CBitmap* bitmap);
    /// Selects a stock pen or brush; returns the previous one of that kind.
    CGdiObject* SelectStockObject(int index);
    /// The selected pen (the default black pen when none was selected).
    CPen* GetCurrentPen() const { return m_state.pen; }
    /// The selected brush (the default white brush when none was selected).
    CBrush* GetCurrentBrush() const { return m_state.brush; }
    /// The selected font (the default font when none was selected).
    CFont* GetCurrentFont() const { return m_state.font; }
    /// Sets the colour of text; returns the previous one.
    COLORREF SetTextColor(COLORREF colour);
    /// The colour of text.
    COLORREF GetTextColor() const { return m_state.textColour; }
    /// Sets the colour behind opaque text and hatches; returns the previous one.
    COLORREF SetBkColor(COLORREF colour);
    /// The colour behind opaque text and hatches.
    COLORREF GetBkColor() const { return m_state.bkColour; }
    /// OPAQUE or TRANSPARENT background under text and hatches; returns the previous mode.
    int SetBkMode(int mode);
    /// OPAQUE or TRANSPARENT.
    int GetBkMode() const { return m_state.bkMode; }
    /// Sets the TA_ flags (left/centre/right, top/baseline/bottom, update of the current position); returns the previous flags.
    UINT SetTextAlign(UINT flags);
    /// The TA_ flags.
    UINT GetTextAlign() const { return m_state.textAlign; }
    /// ALTERNATE or WINDING fill of self-crossing polygons; returns the previous mode.
    int SetPolyFillMode(int mode);
    /// Saves the whole state; returns its level (1, 2, ...).
    int SaveDC();
    /// Restores level (negative: relative, -1 the last saved); false for an unknown level.
    BOOL RestoreDC(int level);

    // --- mapping
    /// Sets MM_TEXT, MM_LOMETRIC, MM_HIMETRIC, MM_LOENGLISH, MM_HIENGLISH, MM_TWIPS, MM_ISOTROPIC or MM_ANISOTROPIC; returns the previous mode.
    int SetMapMode(int mode);
    /// The mapping mode.
    int GetMapMode() const { return m_state.mapMode; }
    /// Sets the logical point shown at the viewport origin; returns the previous one.
    CPoint SetWindowOrg(int x, int y);
    /// Sets the window extent (MM_ISOTROPIC and MM_ANISOTROPIC only); returns the previous one.
    CSize SetWindowExt(int cx, int cy);
    /// Sets the device point the window origin maps to; returns the previous one.
    CPoint SetViewportOrg(int x, int y);
    /// Sets the viewport extent (MM_ISOTROPIC and MM_ANISOTROPIC only); returns the previous one.
    CSize SetViewportExt(int cx, int cy);
    /// The window origin.
    CPoint GetWindowOrg() const { return m_state.windowOrg; }
    /// The window extent of the mapping mode.
    CSize GetWindowExt() const;
    /// The viewport origin.
    CPoint GetViewportOrg() const { return m_state.viewportOrg; }
    /// The viewport extent of the mapping mode.
    CSize GetViewportExt() const;
    /// Converts count points from logical to device coordinates in place.
    void LPtoDP(POINT* points, int count = 1) const;
    /// Converts a rectangle from logical to device coordinates in place.
    void LPtoDP(RECT* rect) const;
    /// Converts count points from device to logical coordinates in place.
    void DPtoLP(POINT* points, int count = 1) const;
    /// Converts a rectangle from device to logical coordinates in place.
    void DPtoLP(RECT* rect) const;
    /// Logical units per inch of the device (96 for images and offscreen windows).
    int GetDeviceCaps(int index) const;
    /// Narrows the clip region to the rectangle (logical coordinates); returns SIMPLEREGION.
    int IntersectClipRect(int left, int top, int right, int bottom);
    /// Narrows the clip region to r (logical coordinates); returns SIMPLEREGION.
    int IntersectClipRect(const RECT& r) { return IntersectClipRect(r.left, r.top, r.right, r.bottom); }
    /// Removes the clip region.
    int SelectClipRgn(std::nullptr_t);

    // --- lines and shapes (logical coordinates)
    /// Sets the current position; returns the previous one.
    CPoint MoveTo(int x, int y);
    /// Sets the current position; returns the previous one.
    CPoint MoveTo(POINT p) { return MoveTo(p.x, p.y); }
    /// Draws a line with the pen from the current position to (x, y), which becomes the current position; returns TRUE.
    BOOL LineTo(int x, int y);
    /// Draws a line to p, which becomes the current position; returns TRUE.
    BOOL LineTo(POINT p) { return LineTo(p.x, p.y); }
    /// The current position (MoveTo, LineTo).
    CPoint GetCurrentPosition() const { return m_state.position; }
    /// Draws connected lines through count points; FALSE for null or fewer than 2 points.
    BOOL Polyline(const POINT* points, int count);
    /// Outlines with the pen and fills with the brush the closed polygon of count points; FALSE for null or fewer than 2 points.
    BOOL Polygon(const POINT* points, int count);
    /// Outlines with the pen and fills with the brush; right and bottom are outside the outline.
    BOOL Rectangle(int l, int t, int r, int b);
    /// Outlines with the pen and fills with the brush the rectangle r.
    BOOL Rectangle(const RECT* r) { return Rectangle(r->left, r->top, r->right, r->bottom); }
    /// A rectangle with corners rounded by ellipses of the given width and height.
    BOOL RoundRect(int l, int t, int r, int b, int ellipseWidth, int ellipseHeight);
    /// Outlines and fills the ellipse inside the rectangle.
    BOOL Ellipse(int l, int t, int r, int b);
    /// Outlines and fills the ellipse inside r.
    BOOL Ellipse(const RECT* r) { return Ellipse(r->left, r->top, r->right, r->bottom); }
    /// Counter-clockwise from the ray through (x3,y3) to the ray through (x4,y4).
    BOOL Arc(int l, int t, int r, int b, int x3, int y3, int x4, int y4);
    /// An arc as Arc closed by two radii and filled.
    BOOL Pie(int l, int t, int r, int b, int x3, int y3, int x4, int y4);
    /// An arc as Arc closed by its chord and filled.
    BOOL Chord(int l, int t, int r, int b, int x3, int y3, int x4, int y4);
    /// Sets one pixel; returns the colour set.
    COLORREF SetPixel(int x, int y, COLORREF colour);
    /// Fills rect with colour without touching the brush; nothing for null.
    void FillSolidRect(const RECT* rect, COLORREF colour);
    /// Fills the rectangle at (x, y) of cx by cy with colour without touching the brush.
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF colour);
    /// Fills rect with brush, without outline.
    void FillRect(const RECT* rect, CBrush* brush);
    /// Draws a one-pixel frame inside rect with brush.
    void FrameRect(const RECT* rect, CBrush* brush);
    /// A one-pixel frame: top and left edges in topLeft, bottom and right edges in bottomRight.
    void Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight);
    /// The dotted focus frame inside rect.
    void DrawFocusRect(const RECT* rect);
    /// Check and radio glyphs, push buttons and combo buttons (DFC_, DFCS_ flags).
    BOOL DrawFrameControl(RECT* rect, UINT type, UINT state);
    /// Copies the source context's bitmap (a memory context) to (x, y).
    BOOL BitBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, DWORD rop = SRCCOPY);
    /// Copies the source context's bitmap scaled from its rectangle (xSrc, ySrc, srcWidth, srcHeight) to (x, y, width, height); FALSE without a source bitmap.
    BOOL StretchBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, int srcWidth, int srcHeight,
                    DWORD rop = SRCCOPY);

    // --- text
    /// Draws text at (x, y) in the text colour, aligned by the TA_ flags; returns TRUE.
    BOOL TextOut(int x, int y, const CString& text);
    /// Draws text into rect by the DT_ flags; returns the height of the text drawn.
    /// With DT_CALCRECT only rect is set (right and bottom grow to the text).
    int DrawText(const CString& text, RECT* rect, UINT format);
    /// Width and height of the text on one line in the selected font, in logical units.
    CSize GetTextExtent(const CString& text) const;
    /// As GetTextExtent; tabs are measured as they are drawn.
    CSize GetTabbedTextExtent(const CString& text) const { return GetTextExtent(text); }
    /// Fills metrics for the selected font; FALSE for null.
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
    /// Paints wnd inside its paint event; m_rcPaint is its client area. Attaches nothing for a null or not created window.
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;
    /// The area to repaint (the whole client area).
    RECT m_rcPaint = {0, 0, 0, 0};
};

/// Drawing into a window outside its paint event: the window's backing image, shown
/// at the next paint.
class TB_EXPORT CClientDC : public CDC {
public:
    /// Draws into wnd's backing image, shown at its next paint; nothing for a null or not created window.
    explicit CClientDC(CWnd* wnd);
    ~CClientDC() override;

private:
    CWnd* m_wnd;
};

/// A context that draws into an image of its own and keeps every call with its
/// arguments; tests compare the calls and look at the pixels.
class TB_EXPORT CRecordingDC : public CDC {
public:
    /// A recording context over a white image of width by height pixels.
    explicit CRecordingDC(int width = 200, int height = 100);
    ~CRecordingDC() override;
    /// Every call kept so far, oldest first.
    const std::vector<CDrawRecord>& GetRecords() const { return m_records; }
    /// The calls one per line; state calls too unless drawingOnly.
    CString GetRecordsText(bool drawingOnly = false) const;
    /// Forgets the calls kept so far (the image keeps its pixels).
    void ClearRecords() { m_records.clear(); }
    /// The image the calls were drawn into; owned by the context.
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
    std::vector<CDrawRecord> records;  ///< The drawing calls in the order they were made.
    /// Plays the records into dc with its current state saved and restored around them.
    BOOL Play(CDC* dc) const;
};

/// Records calls without drawing; Close hands out the picture.
class TB_EXPORT CMetaFileDC : public CDC {
public:
    CMetaFileDC();
    /// Starts recording; returns TRUE.
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
