#include "tree/AbstractDataLeaf.h"

#include "extern/Plenkor.h"
#include "framework/UiHost.h"
#include "platform/GlobalMemory.h"
#include "platform/World.h"
#include "records/MethodTable.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "tree/ALTLeaf.h"
#include "tree/LeafNotify.h"
#include "tree/MessageText.h"
#include "tree/ServerLeaf.h"

#include <cstring>
#include <string>

namespace {
constexpr UINT IDS_TEST_SENT = 3527;
constexpr UINT IDS_TEST_TEXT = 3528;
constexpr UINT IDS_TEST_FAILED = 5119;

constexpr int kHeaderEntries = 48;
constexpr int kPointerEntries = 14;
constexpr int kHeaderTagEntry = 5;
constexpr uint16_t kHeaderTag = 25;
constexpr int kHeaderVersionEntry = 9;

// Fixed wide buffers of the local entry point: characters before the terminator.
constexpr int kWideMachineChars = 15;
constexpr int kWideApplicationChars = 8;
constexpr int kWideTextChars = 1023;

std::u16string Wide(const QString& text, int maxChars)
{
    QString cut = text.left(maxChars);
    // A surrogate pair cut in half would be a broken character.
    if (!cut.isEmpty() && cut.back().isHighSurrogate())
        cut.chop(1);
    return std::u16string(reinterpret_cast<const char16_t*>(cut.utf16()), size_t(cut.size()));
}

CAbstractDataLeaf::SubmitFn g_submit = ALMakeAlert2Ex;
CAbstractDataLeaf::SubmitWideFn g_submitWide = ALMakeAlert2ExW;

// Frees a global block when the scope ends.
struct GlobalBlock {
    HGLOBAL block = nullptr;
    ~GlobalBlock()
    {
        if (block)
            GlobalFree(block);
    }
};
} // namespace

void CAbstractDataLeaf::SetSubmitEntryPoints(SubmitFn submit, SubmitWideFn submitWide)
{
    g_submit = submit ? submit : ALMakeAlert2Ex;
    g_submitWide = submitWide ? submitWide : ALMakeAlert2ExW;
}

CAbstractDataLeaf::CAbstractDataLeaf(const CAbstractDataLeaf& other)
    : CAlertLeaf(other), m_dataVersion(other.m_dataVersion), m_dataSet(other.m_dataSet)
{
}

size_t CAbstractDataLeaf::GetDataSize(int version)
{
    switch (version) {
    case 0: return GetDataSizeV0();
    case 1: return GetDataSizeV1();
    case 2: return GetDataSizeV2();
    case 3: return GetDataSizeV3();
    default: return 0;
    }
}

BOOL CAbstractDataLeaf::SetData(const void* data, int version)
{
    // Loading from stored records is a quiet rebuild, not an edit: no ChildModified reaches
    // this leaf or a leaf below it.
    const CQuietRebuild quiet(this);
    if (m_dataSet)
        DeleteChildren();
    m_dataVersion = version;
    BOOL result = 0;
    switch (version) {
    case 0: result = SetDataV0(data); break;
    case 1: result = SetDataV1(data); break;
    case 2: result = SetDataV2(data); break;
    case 3: result = SetDataV3(data); break;
    default: result = 0; break;
    }
    m_dataSet = result;
    return result;
}

BOOL CAbstractDataLeaf::GetData(OUTPUTDESC* out, int version)
{
    if (!out)
        return 0;
    switch (version) {
    case 0: return GetDataV0(out);
    case 1: return GetDataV1(out);
    case 2: return GetDataV2(out);
    case 3: return GetDataV3(out);
    default: return 0;
    }
}

void CAbstractDataLeaf::DeleteChildren()
{
    CAlertLeaf::DeleteChildren();
}

void CAbstractDataLeaf::GetDisplayData(UINT, WORD*, QString* heading, QStringList*, CLeafArray*)
{
    if (heading)
        heading->clear();
}

int32_t CAbstractDataLeaf::SendTestMessage(uint32_t methodBit, int32_t priority)
{
    CServerLeaf* server = GetServerLeaf<CServerLeaf>();
    CALTLeaf* table = GetALTLeaf<CALTLeaf>();
    if (!server || !table)
        return -1;

    const QString machine = server->GetMachine();
    const QString application = table->GetApplicationName().toUpper();
    const QString text = LoadString(IDS_TEST_TEXT);

    uint16_t header[kHeaderEntries] = {};
    void* pointers[kPointerEntries] = {};
    QByteArray image = table->GetImage();
    image.resize(CALTLeaf::kImageSize, '\0');

    // This recipient's record alone. One made in this session was never loaded and has no
    // version of its own: its records are in its method's.
    int version = m_dataVersion;
    if (!m_dataSet) {
        if (auto* method = dynamic_cast<CAbstractDataLeaf*>(GetParentLeaf()))
            version = method->GetDataVersion();
    }
    const size_t recordSize = GetDataSize(version);
    GlobalBlock records;
    if (recordSize > 0) {
        records.block = GlobalAlloc(GPTR, recordSize);
        if (!records.block)
            return -1;
    }
    OUTPUTDESC out;
    out.position = static_cast<BYTE*>(records.block);
    out.room = recordSize;
    if (recordSize > 0)
        GetData(&out, version);
    const Records::MethodInfo* method = Records::MethodByBit(methodBit);
    if (!method || out.count <= 0) {
        // An alert without its recipient would reach nobody; that is no successful test.
        AfxMessageBox(LoadString(IDS_TEST_NO_RECORD), MB_OK | MB_ICONEXCLAMATION);
        return -1;
    }

    header[kHeaderTagEntry] = kHeaderTag;
    header[kHeaderVersionEntry] = uint16_t(version);
    header[method->countEntry] = uint16_t(out.count);
    pointers[method->pointerEntry] = records.block;

    uint32_t packedSize = 0;
    int32_t rc = AlGetPackDataSize(header, image.constData(), pointers, &packedSize);
    GlobalBlock packed;
    if (rc == 0) {
        packed.block = packedSize ? GlobalAlloc(GPTR, packedSize) : nullptr;
        if (!packed.block)
            return -1;
        rc = ALPackData(header, image.constData(), pointers, packed.block);
    }
    if (rc == 0) {
        // Only this computer goes through the wide entry point; a machine whose name merely
        // begins with this computer's name is another machine.
        if (World::IsThisComputer(machine)) {
            const std::u16string wMachine = Wide(machine, kWideMachineChars);
            const std::u16string wApplication = Wide(application, kWideApplicationChars);
            const std::u16string wText = Wide(text, kWideTextChars);
            rc = g_submitWide(0, wMachine.c_str(), methodBit, priority, wApplication.c_str(), wText.c_str(), 0,
                                 packed.block, packedSize);
        } else {
            const QByteArray aMachine = machine.toUtf8();
            const QByteArray aApplication = application.toUtf8();
            const QByteArray aText = text.toUtf8();
            rc = g_submit(aMachine.constData(), methodBit, priority, aApplication.constData(),
                                aText.constData(), 0, packed.block, packedSize);
        }
    }

    if (rc == 0)
        AfxMessageBox(FormatString(IDS_TEST_SENT, {machine}), MB_OK | MB_ICONINFORMATION);
    else
        AfxMessageBox(FormatString(IDS_TEST_FAILED, {CodeText(rc)}), MB_OK);
    return rc;
}
