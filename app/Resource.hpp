#pragma once

// Identifiers of the window's resources and controls, and their fixed texts. The controls carry
// their identifier as the "controlId" property and its name as their object name.

namespace resource {

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDM_ABOUTBOX = 16;
inline constexpr int IDM_USER_PHRASES = 32;
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDD_CONVERTER_DIALOG = 102;
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDC_ARCHIVER_BROWSE = 1001;
inline constexpr int IDC_ARCHIVER_PATH = 1002;
inline constexpr int IDC_ADD_BOOKS = 1003;
inline constexpr int IDC_BOOK_LIST = 1004;
inline constexpr int IDC_CLEAR_BOOKS = 1005;
inline constexpr int ID_HELP = 57670;
// The system command that closes a window; the stand-in system menu offers it.
inline constexpr int SC_CLOSE = 0xF060;

inline constexpr const char* kSettingsFileName = "Qvt_config.ini";

// String table.
inline constexpr const char* kAboutItemText = "關於 Corvela(&A)...";  // IDS_ABOUTBOX
inline constexpr const char* kCloseItemText = "关闭(&C)";
inline constexpr const char* kProfileMenuText = "轉換方式";
inline constexpr const char* kFontRuleItemText = "加入字型規則";
inline constexpr const char* kQuotesItemText = "引號「」";
inline constexpr const char* kLayoutMenuText = "版面";
// The layouts' items, in the order of text::PageLayout.
inline constexpr const char* kLayoutItemTexts[] = {"依原書", "直排", "橫排"};
inline constexpr const char* kBuiltinZipItemText = "內建封裝";
inline constexpr const char* kReportItemText = "校對報告";
// The book list's context menu on a row whose book has a report.
inline constexpr const char* kViewReportItemText = "查看報告";
inline constexpr const char* kReportUnopened = "無法開啟校對報告 %1";  // path
// The profiles' items in the menu, in the order of text::AllProfiles.
inline constexpr const char* kProfileItemTexts[] = {
    "逐字轉換（char）",       "OpenCC 繁體（s2t）",
    "臺灣正體（s2tw）",       "臺灣正體及用語（s2twp）",
    "香港繁體（s2hk）",       "OpenCC 繁體轉簡體（t2s）",
    "臺灣正體轉簡體（tw2s）", "臺灣正體及用語轉簡體（tw2sp）",
    "香港繁體轉簡體（hk2s）"};

// Main window template.
inline constexpr const char* kDialogTitle = "Corvela";
inline constexpr const char* kBrowseCaption = "&WinRAR路徑";
inline constexpr const char* kGroupCaption = "把簡體中文的epub轉成繁體中文";
inline constexpr const char* kAddCaption = "&A添加epub文檔";
inline constexpr const char* kStartCaption = "&G开始";
inline constexpr const char* kExitCaption = "&E退出";
inline constexpr const char* kClearCaption = "&C清空文檔選擇";
inline constexpr const char* kStatusHeading = "状态";
inline constexpr const char* kPathHeading = "epub文件";
inline constexpr int kStatusColumnWidth = 80;
inline constexpr int kPathColumnWidth = 280;

// About box template.
inline constexpr const char* kAboutTitle = "關於 Corvela";
inline constexpr const char* kAboutVersionLine = "Corvela %1 版";  // %1: the version
inline constexpr const char* kAboutDescription = "把簡體中文的epub轉成繁體中文。";
inline constexpr const char* kAboutOkCaption = "确定";

// File dialogs.
inline constexpr const char* kBookDialogTitle = "Select epub files: ";
inline constexpr const char* kBookFilterEpub = "epub File (*.epub)";
inline constexpr const char* kBookFilterAll = "All File (*.*)";
inline constexpr const char* kArchiverFilter = "WinRAR File (Winrar.exe)";

// Row statuses.
inline constexpr const char* kStatusReady = "就绪";
inline constexpr const char* kStatusWorking = "处理中";
inline constexpr const char* kStatusDone = "处理完毕";
inline constexpr const char* kStatusNotDone = "未处理";

// Messages.
inline constexpr const char* kErrorCaption = "Error!";
inline constexpr const char* kBatchOver = "结束!";
inline constexpr const char* kInternalError = "Internal Error!";
inline constexpr const char* kBadSingleFile = "选择了不存在的文件，或者选择文件过多!";
inline constexpr const char* kCannotCreateSettings = "创建配置文件失败!";
inline constexpr const char* kCannotWriteSettings = "写入配置文件失败!";
inline constexpr const char* kCannotReadSettings = "读取配置文件失败!";

// The reader's phrase file.
inline constexpr const char* kUserPhrasesItemText = "自訂詞語(&P)…";
inline constexpr const char* kPhraseFileLine = "自訂詞語檔 %1 第 %2 行：%3";  // path, line, why
inline constexpr const char* kPhraseNoTab = "沒有定位字元（Tab）分開詞語和轉換結果";
inline constexpr const char* kPhraseEmptyKey = "定位字元前的詞語是空的";
inline constexpr const char* kPhraseEmptyValue = "定位字元後的轉換結果是空的";
inline constexpr const char* kPhraseInvalidUtf8 = "不是有效的 UTF-8 文字";
inline constexpr const char* kPhraseAsciiKey = "詞語只有 ASCII 字元，會改到書的標記和樣式";
inline constexpr const char* kPhraseMarkup = "含有標記字元 < > & \" '，會破壞書的標記";
inline constexpr const char* kPhraseFileUnreadable = "無法讀取自訂詞語檔 ";   // + path, reason
inline constexpr const char* kPhraseFileUncreatable = "無法建立自訂詞語檔 ";  // + path, reason
inline constexpr const char* kPhraseFileUnopened = "無法用桌面的編輯器開啟自訂詞語檔 %1";
// The commented example a new phrase file starts with.
inline constexpr const char* kPhraseFileExample =
    "# Corvela 的自訂詞語：每行一條，寫成「原文<Tab>轉換結果」，以 # 開頭的行是註解。\n"
    "# 轉換時先找這裡的原文（最長的優先），轉換結果照寫，不再轉換；\n"
    "# 轉換結果與原文相同，就保持原樣。例如（去掉行首的 # 即生效）：\n"
    "# 鼠标\t鼠標\n"
    "# 哈利·波特\t哈利·波特\n";

}  // namespace resource
