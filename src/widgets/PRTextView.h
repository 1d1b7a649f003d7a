// Read-only texts that the user can neither click into, select, type into nor open a context
// menu on; their owners set the whole text. The feedback box clears its placeholder on a click.
#pragma once

#include <QLineEdit>
#include <QTextEdit>

class PRTextView : public QTextEdit {
    Q_OBJECT
public:
    explicit PRTextView(QWidget* parent = nullptr);
    void setString(const QString& text) { setPlainText(text); }
    QString string() const { return toPlainText(); }

protected:
    void mousePressEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;
};

class PRTextFiled : public QLineEdit {
    Q_OBJECT
public:
    explicit PRTextFiled(QWidget* parent = nullptr);
    void setStringValue(const QString& text) { setText(text); }
    QString stringValue() const { return text(); }

protected:
    void mousePressEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;
};

class PRFeedBackView : public QTextEdit {
    Q_OBJECT
public:
    explicit PRFeedBackView(QWidget* parent = nullptr);
    static constexpr const char* kPlaceholder = "Provide any suggestions or problems to us.";
    static constexpr const char* kShortPlaceholder = "write something.";

protected:
    void mousePressEvent(QMouseEvent*) override;
};
