#include "gui/size_text.h"

#include "base/format_text.h"
#include "base/lang/text_registry.h"

namespace {

constexpr std::string_view kSection = "tusk::units";
constexpr int kUnitBytes = 0, kUnitGigabytes = 3, kLargestUnit = 4, kDecimalMark = 5;

std::u16string UnitText(int number) {
    return std::u16string(lang::Registry().Text(kSection, number).value_or(u""));
}

std::u16string Decimal(double value, int unit) {
    std::u16string number = FormatText(u"%.2f", {value});
    const std::u16string mark = UnitText(kDecimalMark);
    if (const std::size_t dot = number.find(u'.'); dot != std::u16string::npos && !mark.empty()) {
        number.replace(dot, 1, mark);
    }
    return number + u" " + UnitText(unit);
}

} // namespace

std::u16string ByteSizeText(std::uint64_t bytes) {
    if (bytes < 1024) {
        return FormatText(u"%d", {bytes}) + u" " + UnitText(kUnitBytes);
    }
    double value = double(bytes);
    int unit = kUnitBytes;
    while (value >= 1024.0 && unit < kLargestUnit) {
        value /= 1024.0;
        ++unit;
    }
    return Decimal(value, unit);
}

std::u16string GigabytesText(double gigabytes) {
    return Decimal(gigabytes, kUnitGigabytes);
}

std::u16string DateTimeText(int year, int month, int day, int hour, int minute, int second) {
    return FormatText(u"%02d.%02d.%04d %02d:%02d:%02d", {day, month, year, hour, minute, second});
}
