// The small modal box that asks a player's name, in the game screen's colours, with a line
// under the name saying why one cannot be taken.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "backends/qt/qt_services.h"

namespace qbx {

namespace {
// The rules cut a longer name; the box stops where they would.
constexpr int kNameBoxMaxChars = 24;
}  // namespace

bool QtServices::AskName(const std::string& prompt, const std::string& title, std::string& text,
                         const std::function<std::string(const std::string&)>& refusal) {
    if (!answers_.empty()) {
        const std::string answer = answers_.front();
        answers_.erase(answers_.begin());
        if (!refusal(answer).empty()) return false;
        text = answer;
        return true;
    }
    QDialog box(QApplication::activeWindow());
    box.setWindowTitle(QString::fromStdString(title));
    box.setWindowModality(Qt::ApplicationModal);
    box.setObjectName(QStringLiteral("nameBox"));
    box.setStyleSheet(QStringLiteral(
        "#nameBox { background: rgb(0, 192, 192); }"
        "QLabel { font: bold 12pt 'Verdana'; color: black; }"
        "QLabel#refusal { font: bold 9pt 'Verdana'; color: rgb(128, 0, 0); }"
        "QLineEdit { font: bold 14pt 'Verdana'; background: rgb(255, 255, 0); color: black;"
        " border: 2px solid black; padding: 2px; }"
        "QPushButton { font: bold 10pt 'Verdana'; background: rgb(192, 0, 192); color: white;"
        " border: 2px solid black; padding: 4px 14px; }"
        "QPushButton:focus { border: 2px solid white; }"));
    auto* layout = new QVBoxLayout(&box);
    auto* ask = new QLabel(QString::fromStdString(prompt), &box);
    auto* edit = new QLineEdit(QString::fromStdString(text), &box);
    edit->setObjectName(QStringLiteral("name"));
    edit->setMaxLength(kNameBoxMaxChars);
    edit->selectAll();
    auto* why = new QLabel(&box);
    why->setObjectName(QStringLiteral("refusal"));
    why->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
    for (QAbstractButton* b : buttons->buttons()) b->setIcon(QIcon());
    layout->addWidget(ask);
    layout->addWidget(edit);
    layout->addWidget(why);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, [&] {
        const std::string reason = refusal(edit->text().toStdString());
        if (reason.empty()) return box.accept();
        why->setText(QString::fromStdString(reason));
        edit->setFocus();
        edit->selectAll();
    });
    edit->setFocus();
    if (box.exec() != QDialog::Accepted) return false;
    text = edit->text().toStdString();
    return true;
}

}  // namespace qbx
