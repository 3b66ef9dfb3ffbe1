#pragma once
// CConfigLeaf: the configuration of one machine's service under its server leaf - the port
// configuration and the alert tables. It holds them only while the service runs.
//
// The tables and the port configuration are built by later parts of the console; until then
// the leaf keeps its data, its name and the entry points the server leaf calls (state change,
// periodic table check), which create nothing.
#include "tree/AlertLeaf.h"

class CConfigLeaf : public CAlertLeaf {
public:
    // Name string 5012, image 13, no context menu.
    CConfigLeaf();

    // data: a SERVERDATA block. Refused (0) when data were set already; only version 10 with a
    // block is accepted: the machine name is copied and, when the service runs (asked with
    // messages), the children are created. 1 for version 10 with a block, else 0.
    virtual BOOL SetData(const void* data, int version);

    // Service-state change: stopped or stop pending drop the children, running creates them
    // when there are none.
    void OnServiceStateChange(DWORD state);
    // Periodic check of the application tables' change dates.
    void RefreshTables();

    QString GetTitle() override;
    WORD GetDisplayFormat() override;
    void GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                        CLeafArray* objects) override;

    const QString& GetMachine() const { return m_machine; }
    int GetDataVersion() const { return m_dataVersion; }
    BOOL IsDataSet() const { return m_dataSet; }

protected:
    // The port configuration leaf and the tables; nothing yet.
    virtual void CreateChildren();
    // The server's service state, asked with messages (stopped without a server leaf).
    virtual DWORD QueryServiceState();

    int m_dataVersion = 0;
    BOOL m_dataSet = 0;
    QString m_machine;
};
