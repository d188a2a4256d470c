// Storing one read value into a channel's host storage, for the line-oriented readers
// (SPICE listings and raw files, recorder files, clipboard text). A double block is
// written at row only while row < limit (the engine's NrItems, the size the host
// allocated); arrays grow to row + 1 when shorter.
#pragma once

#include <toolbox/exchange/channel.h>
#include <toolbox/types/types.h>

namespace tb_exchange {

/// Stores value (and text for string and variant storage) at row. False when the
/// channel has no storage at all.
inline bool StoreChannelValue(CExImPortChannel& channel, int row, int limit, double value, const CString& text) {
    if (row < 0) return true;
    if (double* block = channel.GetDoublePtr()) {
        if (row < limit) block[row] = value;
        return true;
    }
    if (CArray<double, double>* values = channel.GetDoubleArray()) {
        values->SetAtGrow(row, value);
        return true;
    }
    if (CStringArray* texts = channel.GetStringArray()) {
        texts->SetAtGrow(row, text);
        return true;
    }
    if (CArray<COleVariant, COleVariant>* variants = channel.GetVariantArray()) {
        variants->SetAtGrow(row, COleVariant(text));
        return true;
    }
    return false;
}

/// Sizes a host's double array once for a read of count values that the reader will
/// write one after the other (it is trimmed to what was read afterwards), so that no
/// growth copies the values. Returns the elements.
inline double* SizeArrayForRead(CArray<double, double>& array, int count) {
    if (array.GetSize() < count) array.SetSize(count);
    return array.GetData();
}

/// True when the channel keeps text (string or variant storage) rather than doubles.
inline bool ChannelWantsText(const CExImPortChannel& channel) {
    return !channel.GetDoublePtr() && !channel.GetDoubleArray() &&
           (channel.GetStringArray() || channel.GetVariantArray());
}

}  // namespace tb_exchange
