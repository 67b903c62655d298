#pragma once
// The panes of the target page, one per target kind that has an address: they show a target's
// fields and hand back what was typed (numbers as text; the page model checks them).
#include "MyDialog.h"
#include "TargetPageModel.h"

class CGdiplusButton;
class QLineEdit;

// Shared by the panes: fills the fields of its kind, reads them back.
class CTargetPane : public CMyDialog {
    Q_OBJECT
public:
    using CMyDialog::CMyDialog;
    virtual void Show(const quarvik::TargetFields& fields) = 0;
    virtual void Read(quarvik::TargetFields& fields) const = 0;
    // The edit of a field of the page model, or null when this pane has none.
    virtual QWidget* FieldWidget(int field) const = 0;
};

class CWndFtps : public CTargetPane {
    Q_OBJECT
public:
    explicit CWndFtps(QWidget* parent = nullptr);
    void Show(const quarvik::TargetFields& fields) override;
    void Read(quarvik::TargetFields& fields) const override;
    QWidget* FieldWidget(int field) const override;

private:
    QLineEdit* m_ip;
    QLineEdit* m_port;
    QLineEdit* m_path;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QLineEdit* m_timeSpan;
};

class CWndUdp : public CTargetPane {
    Q_OBJECT
public:
    explicit CWndUdp(QWidget* parent = nullptr);
    void Show(const quarvik::TargetFields& fields) override;
    void Read(quarvik::TargetFields& fields) const override;
    QWidget* FieldWidget(int field) const override;

private:
    QLineEdit* m_ip;
    QLineEdit* m_port;
};

class CWndDir : public CTargetPane {
    Q_OBJECT
public:
    explicit CWndDir(QWidget* parent = nullptr);
    void Show(const quarvik::TargetFields& fields) override;
    void Read(quarvik::TargetFields& fields) const override;
    QWidget* FieldWidget(int field) const override;
    CGdiplusButton* BrowseButton() const { return m_browse; }

private:
    void Browse();

    QLineEdit* m_path;
    CGdiplusButton* m_browse;
    QLineEdit* m_timeSpan;
};
