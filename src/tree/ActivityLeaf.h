#pragma once
// CActivityLeaf: the grouping leaf under each server leaf that holds the service's records -
// the alert summary, the alert event log and the activity log. It has data of its own only in
// the sense of the server block it is given; its children exist while the service runs.
//
// The three children and the server's service state come from other parts of the console, so
// they are reached through a small set of hooks installed once at start-up (SetHooks):
//   createChildren  creates and inserts the three children under the leaf, in order, and
//                   reports them (a missing hook creates none);
//   fileModified    whether a log child's file changed since it was last shown;
//   serviceState    the server's service state, asked with messages (without a hook the
//                   server leaf above is asked; with none the service reads as stopped).
// Subclasses may override the virtual seams instead.
#include "tree/AlertLeaf.h"

#include <functional>

class CActivityLeaf : public CAlertLeaf {
public:
    struct Children {
        CAlertLeaf* summary = nullptr;
        CAlertLeaf* eventLog = nullptr;
        CAlertLeaf* activityLog = nullptr;
    };
    struct Hooks {
        std::function<void(CActivityLeaf* leaf, Children* created)> createChildren;
        std::function<bool(CAlertLeaf* child)> fileModified;
        std::function<DWORD(CActivityLeaf* leaf)> serviceState;
    };
    static void SetHooks(Hooks hooks);
    static const Hooks& GetHooks();

    // Name string 5015, image 12, no context menu.
    CActivityLeaf();

    // Refused (0) once data were set. Only version 10 is accepted; with data, the children are
    // created when the service runs. 1 for version 10 with data, else 0.
    BOOL SetData(const void* data, int version);

    // Service-state change: stopped or stop pending drop the children, running creates them
    // when there are none.
    void OnServiceStateChange(DWORD state);
    // Periodic refresh: the selected child is shown again - the summary always, the logs only
    // when their file changed.
    void OnPeriodicRefresh();

    QString GetTitle() override;
    WORD GetDisplayFormat() override;
    void GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                        CLeafArray* objects) override;

    CAlertLeaf* GetSummaryLeaf() const { return m_summary; }
    CAlertLeaf* GetEventLogLeaf() const { return m_eventLog; }
    CAlertLeaf* GetActivityLogLeaf() const { return m_activityLog; }
    int GetDataVersion() const { return m_dataVersion; }
    BOOL IsDataSet() const { return m_dataSet; }

protected:
    // Creates the three children (through the hook), then redisplays this leaf.
    virtual void CreateChildren();
    virtual DWORD QueryServiceState();
    virtual bool ChildFileModified(CAlertLeaf* child);
    void DropChildren();

    CAlertLeaf* m_summary = nullptr;
    CAlertLeaf* m_eventLog = nullptr;
    CAlertLeaf* m_activityLog = nullptr;
    int m_dataVersion = 0;
    BOOL m_dataSet = 0;
};
