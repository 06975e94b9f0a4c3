#include "tests/ui/UiFixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QTest>
#include <filesystem>

#include "app/ParameterFiles.h"
#include "ui/ResourceText.h"

namespace plyx::ui::test {

UiWorld::UiWorld() {
    setenv("PLYX3_DOCUMENTS_DIR", documents.path().c_str(), 1);
    env.ProgramName = "PLYX3";
    env.ExecutablePath = documents.path() + "/bin/plyx3";
    env.ComPortName = "COM3";
    env.PortCaptionPrefix = "COM3: ";
    env.ExitHook = [this](int code) { exitCodes.push_back(code); };
    env.GetDataDirectory();
    std::filesystem::create_directories(documents.path() + "/bin");
    text::LoadInternalDictionary(tables, env.ProgramName);
    app::LoadDefaults(params);
    params.strModel = "Standard-4Axis.cf";  // runs start only with a model
    env.ControllerFamily = 1;
    engine.UseController(&controller);
    engine.InitializeController();
}

std::vector<std::string> UiWorld::Messages() const {
    std::vector<std::string> texts;
    for (const auto& m : dialogs.messages) texts.push_back(m.text);
    return texts;
}

QString CaptionOfChild(const QObject* root, const char* name) {
    const QObject* child = root->findChild<QObject*>(QString::fromLatin1(name));
    return child != nullptr ? CaptionOf(child) : QStringLiteral("<no control %1>").arg(QString::fromLatin1(name));
}

void Click(const QObject* root, const char* name) {
    if (auto* button = root->findChild<QAbstractButton*>(QString::fromLatin1(name)))
        QTest::mouseClick(button, Qt::LeftButton);
    else if (auto* action = root->findChild<QAction*>(QString::fromLatin1(name)))
        action->trigger();
    else
        ADD_FAILURE() << "no button or action " << name;
}

}  // namespace plyx::ui::test
