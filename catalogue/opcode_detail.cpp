#include "catalogue/opcode_detail.h"

#include "app/controls.h"
#include "app/message_box.h"
#include "catalogue/opcode_database.h"

std::wstring DetailText;

std::wstring BuildDetailQuery(int key) { return L"select * from opc where opid=" + std::to_wstring(key); }

std::wstring BuildDetailText(const wchar_t* const (&c)[7])
{
    std::wstring text = std::wstring(c[1]) + L" " + c[6] + L"\r\n";
    text += std::wstring(c[4]) + L" bytes:" + c[2] + L"\r\n";
    text += std::wstring(L"flags:") + c[5] + L",Sign Bit/Word-byte bit:" + c[3];
    return text;
}

void ShowOpcodeDetail(int key)
{
    if (!OpcodeDatabase::Open()) {
        ShowMessage(L"Database error", L"it happens");
        return;
    }
    if (OpcodeDatabase::Query(BuildDetailQuery(key))) {
        DetailText.clear();
        while (OpcodeDatabase::NextRow()) {
            // Each column's text stays valid until the next row, so copy all six before building.
            std::wstring copies[7];
            const wchar_t* columns[7] = {L""};
            for (int n = 1; n <= 6; ++n) {
                copies[n] = OpcodeDatabase::ColumnText(n);
                columns[n] = copies[n].c_str();
            }
            DetailText = BuildDetailText(columns);
        }
        SetControlText(DetailPane, DetailText);
    }
    OpcodeDatabase::Close();
}
