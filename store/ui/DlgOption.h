#pragma once
// "系统设置": a tab per settings page. In general-only mode (the start-up cache-folder prompt)
// only the "通用" tab exists; the other pages are empty until they are built.
#include "MyPopDialog.h"

#include <QList>

class CMyDialog;
class CMyTabCtrl;
class CPageGeneral;
class QStackedLayout;

class CDlgOption : public CMyPopDialog {
    Q_OBJECT
public:
    CDlgOption(QWidget* parent, bool generalOnly);

    CPageGeneral* General() const { return m_general; }
    CMyTabCtrl* Tabs() const { return m_tabs; }
    CMyDialog* Page(int index) const { return m_pages.value(index); }
    int PageCount() const { return static_cast<int>(m_pages.size()); }
    void SelectTab(int index);

    // OK: saves the pages; a page refusing its fields keeps the dialog open.
    void accept() override;

private:
    bool m_generalOnly;
    CMyTabCtrl* m_tabs;
    QStackedLayout* m_stack;
    CPageGeneral* m_general;
    QList<CMyDialog*> m_pages;
};
