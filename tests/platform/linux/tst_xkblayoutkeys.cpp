#include <QtTest>
#include <set>

#include "platform/linux/XkbLayoutKeys.h"

using platform::linux_::TLayoutKeys;

namespace {

const char *const TypingBlock[] = {
    "TLDE", "AE01", "AE02", "AE03", "AE04", "AE05", "AE06", "AE07", "AE08", "AE09", "AE10", "AE11",
    "AE12", "AD01", "AD02", "AD03", "AD04", "AD05", "AD06", "AD07", "AD08", "AD09", "AD10", "AD11",
    "AD12", "AC01", "AC02", "AC03", "AC04", "AC05", "AC06", "AC07", "AC08", "AC09", "AC10", "AC11",
    "BKSL", "AB01", "AB02", "AB03", "AB04", "AB05", "AB06", "AB07", "AB08", "AB09", "AB10", "LSGT"};

std::unique_ptr<TLayoutKeys> Layout(const char *Name) {
    auto Keys = TLayoutKeys::FromNames(Name);
    if (!Keys)
        qWarning("the XKB data cannot make the layout %s", Name);
    return Keys;
}

// The virtual key of the key with that XKB name.
uint32_t Vk(const TLayoutKeys &Keys, const char *Key) {
    return Keys.VirtualKey(Keys.KeyCode(Key));
}

QString Name(const TLayoutKeys &Keys, uint32_t VirtualKey) {
    return QString::fromStdString(Keys.Name(VirtualKey));
}

} // namespace

class tst_XkbLayoutKeys : public QObject {
    Q_OBJECT
private slots:
    void UsKeyboard() {
        const auto Us = Layout("us");
        QVERIFY(Us);
        QCOMPARE(Vk(*Us, "AE01"), uint32_t('1'));
        QCOMPARE(Vk(*Us, "AD01"), uint32_t('Q'));
        QCOMPARE(Vk(*Us, "AC10"), 0xBAu);
        QCOMPARE(Vk(*Us, "AB08"), 0xBCu);
        QCOMPARE(Name(*Us, '1'), QString("1"));
        QCOMPARE(Name(*Us, 'Q'), QString("Q"));
        QCOMPARE(Name(*Us, 0xBA), QString(";"));
        QCOMPARE(Name(*Us, 0xDE), QString("'"));
        QCOMPARE(Name(*Us, 0x21), QString("Page Up"));
        // Keys outside the typing block go by their symbol; they have no layout code.
        QCOMPARE(Us->VirtualKey(Us->KeyCode("FK05")), 0u);
        QCOMPARE(Us->KeyCodes(0x74), std::vector<uint32_t>{Us->KeyCode("FK05")});
        QCOMPARE(Us->KeyCodes(0x21), std::vector<uint32_t>{Us->KeyCode("PGUP")});
        QCOMPARE(Us->KeyCodes(0x69), std::vector<uint32_t>{Us->KeyCode("KP9")});
        QCOMPARE(Us->KeyCodes('Q'), std::vector<uint32_t>{Us->KeyCode("AD01")});
    }

    void FrenchKeyboard() {
        const auto Fr = Layout("fr");
        QVERIFY(Fr);
        // The top-row keys are the digits though they write & é " ' ( - è _ ç à unshifted, and
        // are named by what they write.
        QCOMPARE(Vk(*Fr, "AE01"), uint32_t('1'));
        QCOMPARE(Fr->KeyCodes('1'), std::vector<uint32_t>{Fr->KeyCode("AE01")});
        QCOMPARE(Name(*Fr, '1'), QString("&"));
        QCOMPARE(Vk(*Fr, "AE07"), uint32_t('7'));
        QCOMPARE(Name(*Fr, '7'), QString::fromUtf8("È"));
        // Letters by the layout's letter: AZERTY.
        QCOMPARE(Vk(*Fr, "AD01"), uint32_t('A'));
        QCOMPARE(Vk(*Fr, "AD02"), uint32_t('Z'));
        QCOMPARE(Vk(*Fr, "AC01"), uint32_t('Q'));
        QCOMPARE(Vk(*Fr, "AB01"), uint32_t('W'));
        QCOMPARE(Vk(*Fr, "AC10"), uint32_t('M'));
        QCOMPARE(Fr->KeyCodes('Q'), std::vector<uint32_t>{Fr->KeyCode("AC01")});
        QCOMPARE(Name(*Fr, 'Q'), QString("Q"));
        // Punctuation by what the key writes: the comma sits where a US keyboard has M.
        QCOMPARE(Vk(*Fr, "AB07"), 0xBCu);
        QCOMPARE(Name(*Fr, 0xBC), QString(","));
        // A dead key is named by its accent.
        QCOMPARE(Name(*Fr, Vk(*Fr, "AD11")), QString("^"));
    }

    void GermanKeyboard() {
        const auto De = Layout("de");
        QVERIFY(De);
        QCOMPARE(Vk(*De, "AD06"), uint32_t('Z'));
        QCOMPARE(Vk(*De, "AB01"), uint32_t('Y'));
        QCOMPARE(De->KeyCodes('Z'), std::vector<uint32_t>{De->KeyCode("AD06")});
        QCOMPARE(De->KeyCodes('Y'), std::vector<uint32_t>{De->KeyCode("AB01")});
        QCOMPARE(Name(*De, 'Z'), QString("Z"));
        QCOMPARE(Vk(*De, "AE01"), uint32_t('1'));
        QCOMPARE(Name(*De, '1'), QString("1"));
        QCOMPARE(Name(*De, Vk(*De, "AD11")), QString::fromUtf8("Ü"));
        QCOMPARE(Vk(*De, "AB10"), 0xBDu); // "-"
        QCOMPARE(Name(*De, Vk(*De, "TLDE")), QString("^"));
    }

    void LayoutWithoutLatinLetters() {
        // The letters stay where a US keyboard has them, named by what the layout writes.
        const auto Ru = Layout("ru");
        QVERIFY(Ru);
        QCOMPARE(Vk(*Ru, "AD01"), uint32_t('Q'));
        QCOMPARE(Vk(*Ru, "AC01"), uint32_t('A'));
        QCOMPARE(Name(*Ru, 'Q'), QString::fromUtf8("Й"));
        QCOMPARE(Vk(*Ru, "AE02"), uint32_t('2'));
    }

    void EveryKeyHasACodeOfItsOwn_data() {
        QTest::addColumn<QString>("Layout");
        for (const char *L : {"us", "fr", "de", "ru", "be", "ch", "cz", "gb", "es", "it"})
            QTest::newRow(L) << QString(L);
    }
    void EveryKeyHasACodeOfItsOwn() {
        QFETCH(QString, Layout);
        const auto Keys = TLayoutKeys::FromNames(Layout.toStdString());
        QVERIFY(Keys);
        std::set<uint32_t> Seen;
        for (const char *Key : TypingBlock) {
            const uint32_t Code = Keys->KeyCode(Key);
            QVERIFY2(Code != 0, Key);
            const uint32_t VirtualKey = Keys->VirtualKey(Code);
            QVERIFY2(VirtualKey != 0, Key);
            QVERIFY2(Seen.insert(VirtualKey).second, Key);
            QCOMPARE(Keys->KeyCodes(VirtualKey), std::vector<uint32_t>{Code});
            QVERIFY2(!Keys->Name(VirtualKey).empty(), Key);
        }
        for (uint32_t Letter = 'A'; Letter <= 'Z'; ++Letter)
            QVERIFY(Seen.count(Letter));
        for (uint32_t Digit = '0'; Digit <= '9'; ++Digit)
            QVERIFY(Seen.count(Digit));
    }
};

QTEST_GUILESS_MAIN(tst_XkbLayoutKeys)
#include "tst_xkblayoutkeys.moc"
