/// \file
/// \brief A player of Windows metafiles (WMF, placeable or plain, and EMF) over CDC: the records' drawing is mapped from the picture's extent into a target rectangle of any context.
// A player of Windows metafiles (WMF, placeable or plain, and EMF) over CDC: the
// records' drawing is mapped from the picture's extent into a target rectangle of any
// context. Metafiles come from outside: every record size, count and coordinate is
// checked against the data before it is used.
#pragma once

#include <toolbox/types/cstring.h>
#include <toolbox/ui/dc.h>

#include <cstddef>
#include <vector>

/// Plays Windows metafiles (plain or placeable WMF, EMF) into any device context, fitted into a target rectangle; every record is checked against the data before use.
class TB_EXPORT CTBMetaFilePlayer {
public:
    /// What was loaded: nothing, a plain WMF, a placeable WMF or an EMF.
    enum Kind { None, PlainWmf, PlaceableWmf, Emf };

    /// Takes a copy of the metafile; also accepts it behind the 8-byte header of a
    /// serialised picture object ("lt\0\0" and a size). False (and empty) when the data
    /// is none of the three kinds.
    bool Load(const BYTE* data, std::size_t size);
    /// Drops the metafile.
    void Unload();
    /// What was loaded.
    Kind GetKind() const { return m_kind; }
    /// True when nothing is loaded.
    bool IsEmpty() const { return m_kind == None; }
    /// The picture's size in HIMETRIC units (0.01 mm).
    CSize GetHimetricSize() const { return m_himetric; }
    /// Plays the records so that the picture's extent fills target (the context's
    /// logical units); the context's state is as before afterwards. Returns the number
    /// of records played.
    int Play(CDC* dc, const CRect& target) const;

private:
    bool LoadWmf(const BYTE* data, std::size_t size);
    bool LoadEmf(const BYTE* data, std::size_t size);
    int PlayRecords(CDC* dc, const CRect& target) const;
    std::vector<BYTE> m_data;
    Kind m_kind = None;
    std::size_t m_recordsAt = 0;  // offset of the first record
    CSize m_himetric;
    RECT m_bounds = {0, 0, 0, 0};  // the picture's extent in its own units
    int m_objects = 0;             // size of the object table
};
