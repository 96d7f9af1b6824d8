#pragma once
// Sizes and dates as the program writes them wherever their form is its own choice, so
// that every window writes them alike: "775 Б", "1,50 КБ", "0,16 ГБ" (unit names and
// the decimal mark from the "tusk::units" texts) and "31.12.2024 23:59:58".

#include <cstdint>
#include <string>

// Whole bytes below 1 KB; above, two decimals in the largest unit that keeps the
// number at 1 or more.
std::u16string ByteSizeText(std::uint64_t bytes);
// A size already in gigabytes (a partition's volume), with two decimals.
std::u16string GigabytesText(double gigabytes);
// Day, month, year, then the time of day.
std::u16string DateTimeText(int year, int month, int day, int hour, int minute, int second);
