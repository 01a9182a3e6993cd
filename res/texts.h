// Every text the window program shows but those of its menu and dialogs, which are in the
// resource script (res/vorda.rc): each is defined here once, for the code that shows it and for
// the manual's build, which checks that the manual quotes them. Texts that are written around a
// path or a number are given in their pieces, in the order they are written.
// Portable: no windows.h here.
#pragma once

// The main window's title.
inline constexpr char16_t WINDOW_TITLE[] = u"VORDA Ver1.03";

// ---------------------------------------------------------------- toolbar tooltips
inline constexpr char16_t TOOLTIP_OPEN[] = u"ファイル名の設定";
inline constexpr char16_t TOOLTIP_VIEW_NORMAL[] = u"ノーマルで開く";
inline constexpr char16_t TOOLTIP_VIEW_C[] = u"Ｃ言語用で開く";
inline constexpr char16_t TOOLTIP_VIEW_ASM[] = u"アセンブラで開く";
inline constexpr char16_t TOOLTIP_VIEW_BASIC[] = u"BASICで開く";
// Both pairs of stepping buttons share their texts: by one and by ten read alike.
inline constexpr char16_t TOOLTIP_SEGMENT_UP[] = u"ｾｸﾞﾒﾝﾄ切替UP";
inline constexpr char16_t TOOLTIP_SEGMENT_DOWN[] = u"ｾｸﾞﾒﾝﾄ切替DOWN";
inline constexpr char16_t TOOLTIP_EXPORT_C[] = u"Ｃ言語用で保存";
inline constexpr char16_t TOOLTIP_EXPORT_ASM[] = u"アセンブラで保存";
inline constexpr char16_t TOOLTIP_EXPORT_BASIC[] = u"BASICで保存";
inline constexpr char16_t TOOLTIP_HELP[] = u"ヘルプ";
inline constexpr char16_t TOOLTIP_EXIT[] = u"終了";

// ---------------------------------------------------------------- status bar
// "70000Byte", "P:1/1", "A+:10000"
inline constexpr char16_t STATUS_SIZE_UNIT[] = u"Byte";
inline constexpr char16_t STATUS_POSITION[] = u"P:";
inline constexpr char16_t STATUS_ADDRESS[] = u"A+:";

// ---------------------------------------------------------------- file dialogs
// The filter list: its one name and pattern, each terminated, and the list's own terminator.
inline constexpr char16_t FILE_FILTER[] = u"ALLFile(*.*)\0*.*\0";
inline constexpr char16_t OPEN_DIALOG_TITLE[] = u"ファイル読み出し";
inline constexpr char16_t BROWSE_DIALOG_TITLE[] = u"ファイルの指定";

// ---------------------------------------------------------------- messages
inline constexpr char16_t CAPTION_FILE_ERROR[] = u"ﾌｧｲﾙｴﾗｰ";
inline constexpr char16_t CAPTION_OPEN_ERROR[] = u"FileOpenError";
inline constexpr char16_t CAPTION_SAVE_ERROR[] = u"FileSaveError";
inline constexpr char16_t CAPTION_WRITTEN[] = u"書込処理";
inline constexpr char16_t CAPTION_OVERWRITE[] = u"どうしますか？";
inline constexpr char16_t CAPTION_PITY[] = u"残念！";
inline constexpr char16_t CAPTION_FAILED[] = u"失敗";

// A file that cannot be opened, read, created or written: <path>, this, then the system's code.
inline constexpr char16_t FILE_ERROR_AFTER_PATH[] = u"のﾌｧｲﾙが開けません\r\nErrCode=";
// A path too long to be used: this, the most characters allowed, the second piece, the path.
inline constexpr char16_t PATH_TOO_LONG_BEFORE_LIMIT[] = u"ﾌｧｲﾙ名が長すぎます（";
inline constexpr char16_t PATH_TOO_LONG_AFTER_LIMIT[] = u"文字まで）\r\n";
// A view or step asked for before any file was chosen.
inline constexpr char16_t NO_FILE_SET[] = u"ﾌｧｲﾙ名を設定して下さい";
// An export asked for before any file was chosen.
inline constexpr char16_t OPEN_FILE_FIRST[] = u"ファイルを先に開いてから行って下さい。";
// An empty source: <path>, then this.
inline constexpr char16_t EMPTY_SOURCE_AFTER_PATH[] = u"のﾌｧｲﾙは空(0Byte)です\r\n変換するﾃﾞｰﾀがありません";
inline constexpr char16_t OVERWRITE_QUESTION[] = u"ﾌｧｲﾙが存在します上書きしますか？";
// A finished export: this, the milliseconds it took, the second piece.
inline constexpr char16_t WRITTEN_BEFORE_TIME[] = u"書込完了 ";
inline constexpr char16_t WRITTEN_AFTER_TIME[] = u"mSEC要した";
// More than one file dropped on the window.
inline constexpr char16_t DROP_REFUSED[] = u"ファイルを開けませんでした";
// The manual, opened by its bare name from the current directory, and its message when the shell
// cannot open it: the name, then this.
inline constexpr char16_t MANUAL_FILE[] = u"vorda_manual.pdf";
inline constexpr char16_t MANUAL_MISSING_AFTER_NAME[] = u"が見つかりません。";
