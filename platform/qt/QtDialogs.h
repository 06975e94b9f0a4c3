#pragma once
// Message boxes and file dialogs of the windowed program: QMessageBox and
// QFileDialog behind platform::Dialogs.
#include <QString>

#include "platform/Dialogs.h"

namespace plyx::platform {

class QtDialogs final : public Dialogs {
public:
    MessageResult ShowMessage(const std::string& text, const std::string& title, MessageButtons buttons,
                              MessageIcon icon) override;
    void ShowDetailedMessage(const std::string& text, const std::string& details, const std::string& title,
                             MessageIcon icon) override;
    std::string GetOpenFileName(const FileDialogRequest& request) override;
    std::string GetSaveFileName(const FileDialogRequest& request) override;
};

// The name filter QFileDialog understands for a request filter of
// "name|pattern[;pattern...]" pairs (several pairs joined by "|"): each pair
// becomes "name (pattern pattern ...)". A filter name that already lists its
// patterns keeps its wording; the patterns Qt matches are always the ones
// after "|".
QString QtNameFilters(const std::string& filter);

}  // namespace plyx::platform
