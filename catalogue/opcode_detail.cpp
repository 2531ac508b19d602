#include "catalogue/opcode_detail.h"

#include "app/controls.h"
#include "app/message_box.h"
#include "catalogue/opcode_database.h"

std::wstring DetailText;

std::wstring BuildDetailQuery(std::int64_t key) { return L"select * from opc where opid=" + std::to_wstring(key); }

std::wstring BuildDetailText(const wchar_t* const (&columns)[7])
{
    const auto c = [&columns](int n) {
        const std::wstring_view value = columns[n];
        return value.substr(0, LongestShownValue);
    };
    std::wstring text;
    text.append(c(1)).append(L" ").append(c(6)).append(L"\r\n");
    text.append(c(4)).append(L" bytes:").append(c(2)).append(L"\r\n");
    text.append(L"flags:").append(c(5)).append(L",Sign Bit/Word-byte bit:").append(c(3));
    return text;
}

void ShowOpcodeDetail(std::int64_t key)
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
