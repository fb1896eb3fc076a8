#pragma once
// The installer's fixed texts (GBK in the binary) and message-box styles.
#include <windows.h>

inline constexpr const char* kStagingLog = "1.释放压缩包..";
inline constexpr const char* kExtractingLog = "2.开始解压..";
inline constexpr const char* kExtractFailedLog = "2.解压..失败";
inline constexpr const char* kShortcutDoneLog = "3.创建快捷方式..成功";
inline constexpr const char* kShortcutFailedLog = "3.创建快捷方式..失败";
inline constexpr const char* kStagingFailedText =
    "写入失败！Windows7请以管理员身份运行，建议关闭杀毒，再重试\r\n《确定》后将关闭本安装程序";
inline constexpr const char* kExtractFailedText =
    "解压失败！请确认安装目录可以写入、磁盘空间足够，并关闭正在使用其中文件的程序，再重试";
inline constexpr const char* kProductRunningText = "请先关闭原来的软件再开始安装，否则无法安装！";
inline constexpr const char* kProductRunningTitleSuffix = "<没有关闭>";
inline constexpr const char* kNoticeText =
    "由于系列正版软件都作了加壳加密处理\r\n如果部分杀毒软件提示警告，请允许即可！\r\n\r\n"
    "软件干净无毒无木马~~支持正版 谢谢大家\r\n"
    "软件安装好后，建议把安装的软件目录加入杀毒软件信任，再运行软件，以免影响部分功能使用。\r\n"
    "可以阅读软件安装说明";
inline constexpr const char* kCompletionQuestion =
    "安装完成！\r\n点<是>将启动软件\r\n点<否>不启动,可以在桌面启动软件";
inline constexpr const char* kCompletionTitle = "温馨提示：";
inline constexpr unsigned kStyleOk = MB_OK;
inline constexpr unsigned kStyleYesNoInfo = MB_YESNO | MB_ICONINFORMATION;
