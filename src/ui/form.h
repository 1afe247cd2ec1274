// Form1: the one window's state and the handlers of its events.
//
// The window's controls route here: Option1 (mode options, by index),
// Command1 (the run), Label1 (the "？" About rows). ChangeService is the one
// public method the run calls for each row it applies.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "profiles/profile_text.h"

namespace tavrune {

class Platform;
class ResultList;

// The option indexes of Option1; there are no options 3 and 4.
enum OptionIndex : std::int16_t {
    kOptionStandard = 0,      // 普通优化
    kOptionAdvanced = 1,      // 高级优化
    kOptionLocalNetwork = 2,  // 局域网优化
    kOptionManual = 5,        // 手动优化
    kNoOption = -1,
};

inline constexpr char16_t kProgressPrefix[] = u"正在优化 ";
inline constexpr char16_t kCompletionRow[] = u"优化完成！";
inline constexpr char16_t kManualWarningText[] = u"非电脑专业人员不建议使用手动功能，不要打没把握的仗：）";
inline constexpr char16_t kManualWarningTitle[] = u"Tavrune友情提示";
// The rows captioned before the failure were applied; the others were not.
inline constexpr char16_t kCannotStartText[] =
    u"无法启动命令解释器 cmd.exe，优化未完成。\n列表中显示“正在优化”的服务已经更改，其余服务未更改。";
inline constexpr char16_t kNoCodePageText[] =
    u"系统没有安装简体中文代码页（936），无法读取服务方案，未更改任何服务设置。\n请安装东亚语言支持后再使用"
    u"。";
// XP ignores the elevation request, so a limited user gets this far.
inline constexpr char16_t kNoRightsText[] =
    u"需要管理员权限才能更改系统服务设置，未更改任何服务设置。\n请以管理员身份运行 Tavrune。";
inline constexpr char16_t kErrorTitle[] = u"Tavrune";
// Shown by Windows beside the program while a run holds up a log-off.
inline constexpr char16_t kShutdownBlockReason[] = u"正在优化系统服务，请等待优化完成。";
inline constexpr const char16_t* kAboutRows[] = {
    u"",
    u"Author:relvanik",
    u"Tavrune，就是简单！",
    u"建议：tavrune@osperin.example",
};

struct FormState {
    std::u16string profileText;
    LineList lineListA;  // display names and progress captions
    std::int16_t rowCounter = 0;
    LineList lineListB;  // read only by ChangeService
    std::u16string currentStartType;
    std::u16string currentServiceKey;
};

class Form {
public:
    Form(Platform& platform, ResultList& list1);
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    void Option1_Click(std::int16_t index);
    void Command1_Click();
    void Label1_Click();

    // True when the row was applied: its display name matched and every
    // command of the row was started.
    bool ChangeService(const std::u16string& LeftSrv, std::int32_t 序号);

    // While a run is in progress its yields can dispatch any event; these
    // handlers then refuse, so that no state is swapped under the run's loop.
    bool Running() const { return running_; }
    // A close asked for during a run ends the run at its next yield, before
    // any further command starts. The window closes once the run returns.
    void RequestClose() { closeRequested_ = true; }
    bool CloseRequested() const { return closeRequested_; }

    std::int16_t SelectedOption() const { return selectedOption_; }
    const FormState& State() const { return state_; }

    // Called whenever Running() or SelectedOption() changes, so the window
    // can bring its controls in line.
    std::function<void()> onControlStateChange;

private:
    void RunManual();
    void RunAutomatic();
    // Yields to the message loop; false when the run must stop.
    bool YieldToEvents();
    void YieldIfInputPending();
    // Progress caption, mark and current row for a row just applied.
    void ShowApplied(int row, const std::u16string& name);
    void ControlStateChanged();

    Platform& platform_;
    ResultList& list1_;
    FormState state_;
    std::int16_t selectedOption_ = kNoOption;
    bool running_ = false;
    bool closeRequested_ = false;
    // The selected option's profile could not be decoded (no code page 936):
    // a run would apply nothing yet say "优化完成！".
    bool profileUnreadable_ = false;
    // Set when the command interpreter could not be started during a run.
    bool startFailed_ = false;
};

}  // namespace tavrune
