#include "dirchooser.h"

#include "fileproblemtext.h"
#include "langsupp.h"
#include "sharedfile.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

namespace {

class DirectoryChooser : public QFileDialog
{
public:
    using QFileDialog::QFileDialog;

protected:
    // The file dialog itself refuses a directory that is not there; this
    // one offers to create it first.
    void accept() override
    {
        const QStringList chosen = selectedFiles();
        if (chosen.size() == 1) {
            const QString path = QDir::cleanPath(chosen.first());
            if (!QFileInfo::exists(path)) {
                if (LangMessageBoxArgs(2032, {path}, 502, MbYesNo) != IdYes)
                    return;
                FileProblem problem;
                if (!makeSharedFolder(path, &problem)) {
                    LangMessageBoxArgs(2033, {path, fileProblemText(problem)}, 500, MbIconError);
                    return;
                }
            }
        }
        QFileDialog::accept();
    }
};

// The directory itself when it exists, else the nearest one above it.
QString existingAncestor(const QString &path)
{
    QString dir = QDir::cleanPath(QDir(path.isEmpty() ? QDir::homePath() : path).absolutePath());
    while (!QFileInfo(dir).isDir()) {
        const QString up = QFileInfo(dir).path();
        if (up == dir)
            break;
        dir = up;
    }
    return dir;
}

} // namespace

std::optional<QString> chooseDirectory(QWidget *parent, const QString &caption,
                                       const QString &start)
{
    DirectoryChooser chooser(parent, caption);
    chooser.setFileMode(QFileDialog::Directory);
    // No native dialog: it would create or refuse a new directory without
    // asking. ReadOnly takes away the dialog's own "new folder" button,
    // which would create one without asking too.
    chooser.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ShowDirsOnly |
                       QFileDialog::ReadOnly);
    chooser.setLabelText(QFileDialog::LookIn, langText(2036));
    chooser.setLabelText(QFileDialog::FileName, langText(2035));
    chooser.setLabelText(QFileDialog::Accept, langText(2034));
    chooser.setLabelText(QFileDialog::Reject, langText(2018));
    // The type list offers nothing but directories.
    for (const char *name : {"fileTypeCombo", "fileTypeLabel"})
        if (QWidget *w = chooser.findChild<QWidget *>(QLatin1String(name)))
            w->hide();
    // In directory mode the dialog offers its button only for a directory
    // that exists; a new name typed in must be accepted too (the question
    // comes before it is created). This runs after the dialog's own update.
    auto *name = chooser.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    auto *buttons = chooser.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    QPushButton *choose = buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
    if (name && choose)
        QObject::connect(name, &QLineEdit::textChanged, &chooser, [choose](const QString &text) {
            if (!text.trimmed().isEmpty() && !choose->isEnabled())
                choose->setEnabled(true);
        });
    const QString from = existingAncestor(start);
    chooser.setDirectory(from);
    if (!start.isEmpty() && QDir::cleanPath(start) != from)
        chooser.selectFile(QDir::cleanPath(start));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::cleanPath(chooser.selectedFiles().first());
}
