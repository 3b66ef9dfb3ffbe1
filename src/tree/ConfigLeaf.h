#pragma once
// CConfigLeaf: the configuration of one machine's service under its server leaf - the port
// configuration and the alert tables (the default table and one per application). It holds
// them only while the service runs.
#include "tree/AlertLeaf.h"

class CALTLeaf;

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
    // Periodic check of the tables' change dates: the first table that changed reloads, the
    // others wait for later ticks.
    void RefreshTables();
    // Loads the default table and the application tables of the service (retrying while the
    // service comes up), then checks them once.
    void LoadTables();

    QString GetTitle() override;
    WORD GetDisplayFormat() override;
    void GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                        CLeafArray* objects) override;

    // Makes the port configuration leaf under a configuration leaf (inserted and loaded; null
    // when it could not be). The method layer, where that leaf lives, sets it at start-up.
    using PortConfigFactory = CAlertLeaf* (*)(CAlertLeaf* parent);
    static void SetPortConfigFactory(PortConfigFactory factory);

    const QString& GetMachine() const { return m_machine; }
    int GetDataVersion() const { return m_dataVersion; }
    BOOL IsDataSet() const { return m_dataSet; }

protected:
    // The port configuration leaf (when there is one) and the tables.
    virtual void CreateChildren();
    // Creates, names and binds one table leaf of a version.
    CALTLeaf* CreateTable(const QString& name, int version, const QString& application);
    // The server's service state, asked with messages (stopped without a server leaf).
    virtual DWORD QueryServiceState();

    int m_dataVersion = 0;
    BOOL m_dataSet = 0;
    QString m_machine;
};
