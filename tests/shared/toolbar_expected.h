// The toolbar as the user sees it, from left to right: held against the program's own table
// by the unit tests, and against the real toolbar by the Win32 and end-to-end tests.
// Portable: no windows.h here.
#pragma once

struct ExpectedButton {
    int command; // 0: a separator
    int image;
    const char16_t *tooltip;
};

inline constexpr ExpectedButton EXPECTED_TOOLBAR[] = {
    {330, 0, u"ファイル名の設定"},  {0, 0, nullptr},
    {331, 1, u"ノーマルで開く"},    {332, 2, u"Ｃ言語用で開く"},   {333, 3, u"アセンブラで開く"},
    {334, 4, u"BASICで開く"},       {335, 5, u"ｾｸﾞﾒﾝﾄ切替UP"},     {336, 6, u"ｾｸﾞﾒﾝﾄ切替DOWN"},
    {337, 7, u"ｾｸﾞﾒﾝﾄ切替UP"},      {338, 8, u"ｾｸﾞﾒﾝﾄ切替DOWN"},   {0, 0, nullptr},
    {339, 9, u"Ｃ言語用で保存"},    {340, 10, u"アセンブラで保存"}, {341, 11, u"BASICで保存"},
    {0, 0, nullptr},                {342, 12, u"ヘルプ"},          {343, 13, u"終了"},
};
