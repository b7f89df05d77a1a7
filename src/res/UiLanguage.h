#pragma once
// The languages of the program's string table.

enum class UiLanguage {
    Chinese,  // the program's own table
    English,
};
