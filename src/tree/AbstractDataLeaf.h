#pragma once
// CAbstractDataLeaf: a leaf loaded from, and serialised into, a flat block of fixed-size records
// whose layout depends on the table's record version (0-3). Each version has a triple (load,
// serialise, size); a version a leaf does not override falls back to the next older one, so a
// leaf implements only the versions in which its own record changed.
#include "tree/AlertLeaf.h"

#include <cstddef>
#include <cstdint>

// A list of records as the configuration library hands it over: count records of the
// method's size, back to back. size is the number of bytes the records may occupy (the global
// block's size); a loader refuses a count that does not fit.
struct RECORDBLOCK {
    int32_t count = 0;
    const BYTE* records = nullptr;
    size_t size = 0;
};

// Where GetData writes: count out (records written), position in (start of the caller's
// zero-filled room of room bytes). A leaf never writes past room.
struct OUTPUTDESC {
    int32_t count = 0;
    BYTE* position = nullptr;
    size_t room = 0;
};

class CAbstractDataLeaf : public CAlertLeaf {
public:
    static constexpr int kHighestVersion = 3;

    CAbstractDataLeaf() = default;
    // Copies the leaf part and the version and data-set values (dialogs move copies of the
    // leaves they collected into the tree).
    CAbstractDataLeaf(const CAbstractDataLeaf& other);

    // Bytes the leaf's records take in a version; 0 outside 0-3.
    virtual size_t GetDataSize(int version);
    // Loads from data (a RECORDBLOCK for list leaves, one record for record leaves). A reload
    // first deletes the children; a version outside 0-3 loads nothing and gives 0.
    virtual BOOL SetData(const void* data, int version);
    // Serialises into the descriptor's room; 0 outside 0-3.
    virtual BOOL GetData(OUTPUTDESC* out, int version);

    virtual void AfterLoadV0() {}
    virtual BOOL SetDataV0(const void*) { return 0; }
    virtual BOOL GetDataV0(OUTPUTDESC*) { return 0; }
    virtual size_t GetDataSizeV0() { return 0; }
    virtual BOOL SetDataV1(const void* data) { return SetDataV0(data); }
    virtual BOOL GetDataV1(OUTPUTDESC* out) { return GetDataV0(out); }
    virtual size_t GetDataSizeV1() { return GetDataSizeV0(); }
    virtual BOOL SetDataV2(const void* data) { return SetDataV1(data); }
    virtual BOOL GetDataV2(OUTPUTDESC* out) { return GetDataV1(out); }
    virtual size_t GetDataSizeV2() { return GetDataSizeV1(); }
    virtual BOOL SetDataV3(const void* data) { return SetDataV2(data); }
    virtual BOOL GetDataV3(OUTPUTDESC* out) { return GetDataV2(out); }
    virtual size_t GetDataSizeV3() { return GetDataSizeV2(); }

    void DeleteChildren() override;
    // A data leaf shows nothing of its own.
    void GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                        CLeafArray* objects) override;

    // Builds an alert that carries this leaf's own record alone (method bit, priority) and
    // submits it to the service of the server above; reports the outcome in a message box.
    // Nothing happens without a server and an application-table ancestor. Returns the library's
    // result, or -1 when nothing was sent.
    int32_t SendTestMessage(uint32_t methodBit, int32_t priority);

    // The packet library's two submission entry points (8-bit for other machines, wide for this
    // computer). Replaceable so a caller can observe which one an alert takes; null restores
    // the library's own.
    using SubmitFn = int32_t (*)(const char* machine, uint32_t methodBit, int32_t priority, const char* app,
                                 const char* text, int32_t reserved, const void* packed, uint32_t packedSize);
    using SubmitWideFn = int32_t (*)(int32_t reserved0, const char16_t* machine, uint32_t methodBit,
                                     int32_t priority, const char16_t* app, const char16_t* text, int32_t reserved,
                                     const void* packed, uint32_t packedSize);
    static void SetSubmitEntryPoints(SubmitFn submit, SubmitWideFn submitWide);

    int GetDataVersion() const { return m_dataVersion; }
    BOOL IsDataSet() const { return m_dataSet; }

protected:
    int m_dataVersion = 0;
    BOOL m_dataSet = 0;
};
