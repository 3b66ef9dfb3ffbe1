#pragma once
// The serial-port configurations pagers are dialled through. The service keeps them in two files
// of its home directory: PORT.CFG (a 512-byte header, then one 512-byte record per
// configuration) and PORTDEF.CFG (the 2-byte id of the default one). The console reads and
// writes both directly over the paths the server leaf gives, through the service's own codec
// (records/PortConfig.h). CPortConfigLeaf, under the configuration leaf, holds the list; each
// CPortLeaf is one record.
#include "records/PortConfig.h"
#include "tree/AlertLeaf.h"

#include <QStringList>
#include <functional>

class CPortLeaf;

// The two files' Windows paths, asked of the leaf's server leaf (one try).
namespace PortFiles {

enum class Kind { Ports, Default };

// Answers a path for a leaf; false when it is unknown.
using Resolver = std::function<bool(const CAlertLeaf* leaf, Kind kind, QString* path)>;
// Replaces the default resolver (the server leaf's paths); an empty one restores it.
void SetResolver(Resolver resolver);

// False (and *path empty) when the leaf has no server ancestor or the path is unknown.
bool Query(const CAlertLeaf* leaf, Kind kind, QString* path);
// The host file behind a Windows path; false when it does not resolve in the world.
bool HostPath(const QString& windowsPath, QString* hostPath);

} // namespace PortFiles

class CPortConfigLeaf : public CAlertLeaf {
    DECLARE_MESSAGE_MAP()
public:
    // The five lists a record's indices name.
    enum class List { PortName, BaudRate, DataBits, StopBits, Parity };

    // Name string 5019, image 25, default menu.
    CPortConfigLeaf();
    // A new port configuration leaf inserted under parent and loaded; null when it could not
    // be inserted.
    static CAlertLeaf* CreateUnder(CAlertLeaf* parent);

    // The PORT.CFG path: the server leaf is asked up to "SetMaxTry" times (default 20), a
    // second apart, under the wait cursor; the attempts made are written to "PortMaxTry".
    // Failure shows 5110 when showMessage is set.
    BOOL GetPortFilePath(QString* path, BOOL showMessage);
    // The PORTDEF.CFG path: up to 10 attempts half a second apart; failure shows 5113.
    BOOL GetDefaultFilePath(QString* path, BOOL showMessage);

    // Whether PORT.CFG exists and its size or modification time differs from what the leaf
    // last read or wrote.
    BOOL FileModified();
    // Re-reads both files when PORT.CFG changed: the children become its records (only whole
    // records inside the file), sorted by description. 5109 when the file cannot be read.
    void LoadPorts();
    // Writes PORT.CFG as a complete new file (atomically), then PORTDEF.CFG. A file changed
    // elsewhere since it was read is not overwritten: the leaf reloads it and says so. A file
    // that cannot be written gets a message and is re-read on the next display. 1 when both
    // files were written.
    BOOL SavePorts();
    // The default id from PORTDEF.CFG; 1 when it cannot be read.
    void ReadDefault();
    // Replaces PORTDEF.CFG with the default id (5111 or 5112 on failure, after which the id
    // is read back from the file).
    BOOL WriteDefault();
    uint16_t GetDefault() const { return m_defaultId; }
    void SetDefault(uint16_t id) { m_defaultId = id; }

    // The texts of a list; index-to-text fails (text unchanged) outside the list, text-to-index
    // gives the first equal entry or -1.
    const QStringList& Texts(List list) const;
    BOOL TextFromIndex(List list, int index, QString* text) const;
    int IndexFromText(List list, const QString& text) const;

    // The id the next new configuration gets, kept above every id in the file; 0 when none is
    // left (ids are never reused and never wrap).
    uint16_t PeekNextId() const;
    const Records::PortHeader& GetHeader() const { return m_header; }

    QString GetTitle() override;
    WORD GetDisplayFormat() override { return DISPLAY_COLUMNS; }
    // Reloads when the file changed, then one row per configuration under heading 4015.
    void GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                        CLeafArray* objects) override;
    // A configuration was added, edited or deleted: both files are written (not while the leaf
    // fills itself).
    void ChildModified(CAlertLeaf* child) override;
    // 3005: a new configuration with the next id, through the port dialog; cancelled, it goes
    // again without a write (the advanced next id is written with the next save).
    void NewItem(UINT flags, int x, int y) override;

protected:
    void OnNewItem() { NewItem(0, 0, 0); }
    void OnUpdateNewItem(CCmdUI* pUI) { pUI->Enable(true); }

private:
    // Host path of PORT.CFG (path asked with retries and message).
    bool PortHostPath(QString* windowsPath, QString* hostPath);
    // The file exists and is not the one last read or written.
    bool Changed(const QString& windowsPath) const;
    void Message(UINT id);
    // The next id raised above the children's ids.
    void RaiseNextId();

    Records::PortHeader m_header;
    QString m_stamp;    // size and write time of the file as last read or written; empty: none
    BOOL m_ignoreChanges = 0;
    QStringList m_portNames;
    QStringList m_baudRates;
    QStringList m_dataBits;
    QStringList m_stopBits;
    QStringList m_parities;
    uint16_t m_defaultId = 1;
};

class CPortLeaf : public CAlertLeaf {
    DECLARE_MESSAGE_MAP()
public:
    static constexpr int kVersion = Records::kPortRecordVersion;
    static constexpr int kDescriptionStored = 127;   // bytes before the terminator
    static constexpr int kPortCount = 4;             // COM1 to COM4

    // Image 26, menu 167.
    CPortLeaf();

    // record: one 512-byte record. Nothing (0) once loaded; only version 10 is accepted.
    BOOL SetData(const void* record, int version);
    BOOL SetAsVer10(const BYTE* record);
    // A new configuration's record: the id, every other field zero.
    void SetNew(uint16_t id);
    // Writes the record into a 512-byte buffer: the fields at their offsets, the texts cut to
    // their fields on a character boundary, the bytes the console does not interpret as read.
    void GetRecord(BYTE* buffer) const;
    const Records::PortRecord& Record() const { return m_record; }

    uint16_t GetId() const { return m_record.id; }
    QString GetDescription() const { return QString::fromUtf8(m_record.description); }
    // The values the port dialog edits (port number 1-4 gives its name "COM1"-"COM4").
    void SetFields(const QString& description, uint16_t portNumber, const QString& portName, int32_t baud,
                   int32_t dataBits, int32_t parity, int32_t stopBits);

    // The parent is the port configuration leaf and names this id its default.
    BOOL IsDefault() const;
    // Makes this the default and writes PORTDEF.CFG.
    void SetAsDefault();

    // Runs the port dialog; after OK the leaf holds the values, is renamed and the files are
    // written. False when cancelled (or the leaf went while the dialog ran).
    bool Edit();

    QString GetTitle() override;
    // The configuration's row under heading 4015: name, description (" (預設)" when default),
    // port number, baud rate, parity, data and stop bits, and whether it is the default.
    void GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                        CLeafArray* objects) override;
    void OnDoubleClick(UINT flags, int x, int y) override;

protected:
    void OnEdit() { Edit(); }
    void OnDelete();
    void OnUpdateDelete(CCmdUI* pUI) { pUI->Enable(m_record.id != 1); }
    void OnUseAsDefault();
    void OnUpdateAlways(CCmdUI* pUI) { pUI->Enable(true); }

private:
    CPortConfigLeaf* ConfigParent() const;

    int m_version = 0;
    BOOL m_loaded = 0;
    Records::PortRecord m_record;
};
