#include "removal/RestoreFileRow.h"

#include "removal/Counts.h"

namespace RestoreFileRow {

std::wstring When(const RestoreFiles::File& f) { return RestoreFiles::TimeText(f.when); }

std::wstring Products(const RestoreFiles::File& f)
{
    std::wstring products;
    for (const auto& p : f.held.products)
        products += (products.empty() ? L"" : L", ") + p.name + L" (" + p.registerLabel + L")";
    return products;
}

std::wstring Size(const RestoreFiles::File& f) { return Counts::KeysAndValues(f.held.keys, f.held.values); }

std::wstring State(const RestoreFiles::File& f)
{
    if (f.refusal == RestoreFiles::Refusal::None) return L"wiederherstellbar";
    return L"nicht wiederherstellbar: " + std::wstring(RestoreFiles::Reason(f.refusal));
}

} // namespace RestoreFileRow
