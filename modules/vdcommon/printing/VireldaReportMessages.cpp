// The design-messages section asked for by the markup element "notes": the active
// messages of one module's catalogue, translated, completed by the host's formatter
// and listed with a dash each.
#include "vdcommon/messages/CreateMessageManager.h"
#include "vdcommon/printing/VireldaReport.h"
#include "vdcommon/printing/XMLHelpers.h"
#include "vdcommon/report/IMessageFormatter.h"
#include "vdcommon/report/ITranslationProvider.h"

#include <cstdint>

void VireldaReport::AddMessages(const wxXmlNode* node)
{
    Ln(5);
    const wxString moduleCode = XMLHelpers::AttributeAsString(node, wxS("mtype"), wxEmptyString);
    const std::string module = moduleCode.utf8_string();
    const std::unique_ptr<messages::IMessageManager> manager = CreateMessageManager(module);
    if (!manager) {
        return;
    }
    // The attributes carry the bit patterns of two 32-bit words: the stored value's low
    // 32 bits, unsigned, so 2147483648 and above keep bit 31 (and a negative number its
    // two's-complement bits).
    const auto flags1 =
        static_cast<uint32_t>(static_cast<unsigned long>(XMLHelpers::AttributeAsLong(node, wxS("flags1"))));
    const auto flags2 =
        static_cast<uint32_t>(static_cast<unsigned long>(XMLHelpers::AttributeAsLong(node, wxS("flags2"))));
    manager->SetActiveFlags({flags1, flags2});
    PrintMessages(manager->GetActiveMessages(), module);
}

void VireldaReport::PrintMessages(const std::vector<std::string>& messageTexts, const std::string& moduleType)
{
    if (!config.messageFormatter) {
        return;
    }
    const std::string unitSystem = GetUnitSystem().utf8_string();
    for (const std::string& text : messageTexts) {
        const std::string translated = translationProvider.Translate(text);
        const std::string finished = config.messageFormatter->FormatMessage(moduleType, translated, unitSystem);
        Write(5, wxS("-"));
        SetXY(GetX() + 2, GetY());
        MultiCell(250, 5, wxString::FromUTF8(finished), PdfBorder::None, PdfAlignLeft, false, 0);
    }
}
