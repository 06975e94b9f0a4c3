#pragma once
// Message boxes and the common file dialogs. Behind an interface so that
// tests answer them without a person.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace plyx::platform {

enum class MessageButtons { Ok, OkCancel, RetryCancel, YesNo };
enum class MessageIcon { None, Information, Warning, Critical, Question };
enum class MessageResult { Ok, Cancel, Retry, Yes, No };

struct FileDialogRequest {
    std::string title;
    std::string filter;         // "Shell files (*.cfg)|*.cfg" style pairs
    std::string initialFolder;
    std::string fileName;       // initial file name or pattern
    std::string defaultExtension;
    bool mustExist = false;     // open: the file must exist
    bool confirmOverwrite = false;  // save: ask before replacing
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual MessageResult ShowMessage(const std::string& text, const std::string& title,
                                      MessageButtons buttons = MessageButtons::Ok,
                                      MessageIcon icon = MessageIcon::None) = 0;
    // An OK box whose details (the exact technical text) are shown on
    // request; where a box cannot fold them away, they follow the text.
    virtual void ShowDetailedMessage(const std::string& text, const std::string& details, const std::string& title,
                                     MessageIcon icon = MessageIcon::Critical) {
        ShowMessage(text + "\r\n\r\n" + details, title, MessageButtons::Ok, icon);
    }
    // Empty text when the user cancels.
    virtual std::string GetOpenFileName(const FileDialogRequest& request) = 0;
    virtual std::string GetSaveFileName(const FileDialogRequest& request) = 0;
};

// Records every message and answers from a script: for tests.
class FakeDialogs final : public Dialogs {
public:
    struct Shown {
        std::string text;
        std::string title;
        MessageButtons buttons;
        std::string details;
    };
    std::vector<Shown> messages;
    std::vector<MessageResult> answers;      // taken front first; Ok when empty
    std::vector<std::string> fileAnswers;    // taken front first; "" when empty
    std::vector<FileDialogRequest> fileRequests;
    // Runs while a message is up, as the window events of a real box do.
    std::function<void()> whileShown;

    MessageResult ShowMessage(const std::string& text, const std::string& title,
                              MessageButtons buttons, MessageIcon) override {
        messages.push_back({text, title, buttons, {}});
        if (whileShown) whileShown();
        if (answers.empty()) return MessageResult::Ok;
        MessageResult r = answers.front();
        answers.erase(answers.begin());
        return r;
    }
    void ShowDetailedMessage(const std::string& text, const std::string& details, const std::string& title,
                             MessageIcon icon) override {
        ShowMessage(text, title, MessageButtons::Ok, icon);
        messages.back().details = details;
    }
    std::string GetOpenFileName(const FileDialogRequest& request) override { return NextFile(request); }
    std::string GetSaveFileName(const FileDialogRequest& request) override { return NextFile(request); }

private:
    std::string NextFile(const FileDialogRequest& request) {
        fileRequests.push_back(request);
        if (fileAnswers.empty()) return {};
        std::string r = fileAnswers.front();
        fileAnswers.erase(fileAnswers.begin());
        return r;
    }
};

// For programs without windows (the plan printer, benchmarks): messages go
// to standard error, questions are answered OK, file dialogs are cancelled.
class ConsoleDialogs final : public Dialogs {
public:
    MessageResult ShowMessage(const std::string& text, const std::string& title, MessageButtons,
                              MessageIcon) override {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
        return MessageResult::Ok;
    }
    std::string GetOpenFileName(const FileDialogRequest&) override { return {}; }
    std::string GetSaveFileName(const FileDialogRequest&) override { return {}; }
};

}  // namespace plyx::platform
