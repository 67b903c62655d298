#pragma once
// "系统设置": a tab per settings page. In general-only mode (the start-up cache-folder prompt)
// only the "通用" tab exists. Pages that edit rows of Templ.db write each change at once; pages
// that edit settings write them on OK, in tab order, the first refusal keeping the dialog open.
// The last tab, "响度", follows the six settings tabs.
#include "MyPopDialog.h"

#include <QList>

#include <functional>

class CMyDialog;
class CMyTabCtrl;
class CPageContent;
class CPageGeneral;
class CPageLoudness;
class CPageResult;
class CPageSyntax;
class CPageTarget;
class CPageTask;
class QStackedLayout;

class CDlgOption : public CMyPopDialog {
    Q_OBJECT
public:
    enum Tab { kTabGeneral, kTabTask, kTabTarget, kTabContent, kTabSyntax, kTabResult, kTabLoudness };

    CDlgOption(QWidget* parent, bool generalOnly);

    // The pages; all but the general page are null in general-only mode.
    CPageGeneral* General() const { return m_general; }
    CPageTask* Task() const { return m_task; }
    CPageTarget* Target() const { return m_target; }
    CPageContent* Content() const { return m_content; }
    CPageSyntax* Syntax() const { return m_syntax; }
    CPageResult* Result() const { return m_result; }

    CPageLoudness* Loudness() const { return m_loudness; }

    CMyTabCtrl* Tabs() const { return m_tabs; }
    CMyDialog* Page(int index) const { return m_pages.value(index); }
    int PageCount() const { return static_cast<int>(m_pages.size()); }
    int CurrentTab() const;
    void SelectTab(int index);

    // Whether a check runs now: while one does, the program is not restarted (as it is not
    // closed). None set: no check runs.
    void SetCheckRunningQuery(std::function<bool()> query) { m_isChecking = std::move(query); }
    // Whether the changes made need a restart: the tasks, targets or templates, which the
    // running program was built from. Every other setting is read where it is used.
    bool NeedsRestart() const;

    // OK: saves the pages; a page refusing its fields keeps the dialog open on its tab. Then,
    // when the changes need it, offers the restart, or says why it cannot be now.
    void accept() override;

private:
    // Appends a tab; save (may be empty) runs on OK.
    template <class PageType>
    PageType* AddPage(const QString& title, PageType* page, std::function<bool()> save = {});
    void ConnectJumps();

    bool m_generalOnly;
    CMyTabCtrl* m_tabs;
    QStackedLayout* m_stack;
    CPageGeneral* m_general = nullptr;
    CPageTask* m_task = nullptr;
    CPageTarget* m_target = nullptr;
    CPageContent* m_content = nullptr;
    CPageSyntax* m_syntax = nullptr;
    CPageResult* m_result = nullptr;
    CPageLoudness* m_loudness = nullptr;
    QList<CMyDialog*> m_pages;
    QList<std::function<bool()>> m_saves;  // per tab
    std::function<bool()> m_isChecking;
};
