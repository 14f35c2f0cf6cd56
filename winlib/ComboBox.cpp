// CComboBox: the list text query, which needs a buffer of the entry's length.
#include "winlib/ComboBox.h"

#include <vector>

void CComboBox::GetLBText(int index, CString& text) const
{
    LRESULT length = SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length == CB_ERR || length < 0)
    {
        text.Empty();
        return;
    }
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    LRESULT copied = SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    text = copied == CB_ERR ? CString() : CString(buffer.data(), static_cast<int>(copied));
}
