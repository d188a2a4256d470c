#include <toolbox/exchange/channel.h>

void CExImPortChannel::SetDoublePtr(double* values) {
    // The raw block is the one kind of storage a channel disposes of itself when it is
    // replaced: the host handed it over for good with SetDoublePtr.
    if (m_doublePtr && m_doublePtr != values) delete[] m_doublePtr;
    m_doublePtr = values;
}

void CExImPortChannel::SetDoubleArray(CArray<double, double>* values) {
    if (m_doubleArray && m_doubleArray != values) m_doubleArray->RemoveAll();
    m_doubleArray = values;
}

void CExImPortChannel::SetStringArray(CStringArray* values) {
    if (m_stringArray && m_stringArray != values) m_stringArray->SetSize(0);
    m_stringArray = values;
}

void CExImPortChannel::SetVariantArray(CArray<COleVariant, COleVariant>* values) {
    if (m_variantArray && m_variantArray != values) m_variantArray->RemoveAll();
    m_variantArray = values;
}
