#pragma once
// The result viewer "Spremembe": a read-only text of a result or summary file
// above a panel with the button "Izhod".
#include <QDialog>

class QPlainTextEdit;
class QPushButton;

class TfmResult : public QDialog {
    Q_OBJECT
public:
    explicit TfmResult(QWidget *parent = nullptr);

    // Puts the file's lines into meResult as they are (Windows-1250 text).
    // Raises EMoxError naming the file when it cannot be read.
    void naloziDatoteko(const QString &path);
    // Shows the window modally; on a platform without a screen it is not
    // shown, since nobody could close it.
    void pokaziModalno();

    QPlainTextEdit *meResult;
    QWidget *Panel1;
    QPushButton *btIzhod;
};
