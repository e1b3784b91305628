// SHA-256 and the RSA signature check against published test vectors, and the
// catalogue's signature and hash policy on a tree made by the maker's tools.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/FirmwareCatalogue.h"
#include "catalogue/FirmwareItem.h"
#include "catalogue/Sha256.h"
#include "catalogue/Signature.h"
#include "framework/Platform.h"
#include "scsi/DriveIdentification.h"
#include "tests/common/ScopedLanguage.h"
#include "tests/common/TestFiles.h"

namespace {

using catalogue::SignaturePathFor;

using testfiles::ReadFile;
using testfiles::WriteFile;

std::string FromHex(const std::string& hex) {
  const signature::PublicKey bytes = signature::PublicKey::FromHex(hex);
  return std::string(bytes.modulus.begin(), bytes.modulus.end());
}

// `sig` plus `modulus` in as many bytes as `sig`; empty when the sum needs more.
std::string PlusModulus(std::string sig, const std::vector<std::uint8_t>& modulus) {
  unsigned carry = 0;
  for (std::size_t i = 0; i < sig.size(); ++i) {
    const unsigned n = i < modulus.size() ? modulus[modulus.size() - 1 - i] : 0;
    const unsigned sum = static_cast<std::uint8_t>(sig[sig.size() - 1 - i]) + n + carry;
    sig[sig.size() - 1 - i] = static_cast<char>(sum & 0xFF);
    carry = sum >> 8;
  }
  return carry == 0 ? sig : std::string();
}

// FIPS 180-2 examples, fed whole and in pieces that straddle block ends.
TEST(Sha256, PublishedVectorsWholeAndInPieces) {
  const std::string million(1000000, 'a');
  const struct {
    std::string message;
    const char* digest;
  } rows[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},  // padding just fits one block
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {million, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(sha256::ToHex(sha256::Of(row.message)), row.digest) << row.message.size() << " bytes";
    for (std::size_t piece : {1, 55, 63, 64, 65, 1000}) {
      if (row.message.size() > 100000 && piece < 64) continue;
      sha256::Hasher hasher;
      for (std::size_t at = 0; at < row.message.size(); at += piece) {
        hasher.Update(row.message.data() + at, std::min(piece, row.message.size() - at));
      }
      EXPECT_EQ(sha256::ToHex(hasher.Final()), row.digest) << "pieces of " << piece;
    }
  }
}

// The digest's check and the catalogue's test of a listed hash's form.
TEST(Sha256, HexMustSpellTheWholeDigest) {
  const sha256::Digest digest = sha256::Of(std::string("abc"));
  const std::string hex = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  const struct {
    std::string text;
    bool matches;
    bool isSha256;
  } rows[] = {
      {hex, true, true},
      {"BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD", true, true},
      {hex.substr(0, 63), false, false},
      {hex + "0", false, false},
      {hex.substr(0, 63) + "c", false, true},
      {hex.substr(0, 63) + "g", false, false},
      {"", false, false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(sha256::MatchesHex(digest, row.text), row.matches) << row.text;
    EXPECT_EQ(catalogue::IsSha256Hex(row.text), row.isSha256) << row.text;
  }
}

// Project Wycheproof, rsa_signature_2048_sha256_test.json: a 2048-bit key with
// exponent 65537 and rows of its cases by tcId. The legacy encoding without
// the NULL parameter ("acceptable" there) is refused here.
TEST(Signature, WycheproofRsa2048Sha256) {
  const signature::PublicKey key = signature::PublicKey::FromHex(
      "00a2b451a07d0aa5f96e455671513550514a8a5b462ebef717094fa1fee82224e637f9746d3f7cafd31878d80325b6ef5a"
      "1700f65903b469429e89d6eac8845097b5ab393189db92512ed8a7711a1253facd20f79c15e8247f3d3e42e46e48c98e25"
      "4a2fe9765313a03eff8f17e1a029397a1fa26a8dce26f490ed81299615d9814c22da610428e09c7d9658594266f5c021d0"
      "fceca08d945a12be82de4d1ece6b4c03145b5d3495d4ed5411eb878daf05fd7afc3e09ada0f1126422f590975a1969816f"
      "48698bcbba1b4d9cae79d460d8f9f85e7975005d9bc22c4e5ac0f7c1a45d12569a62807d3b9a02e5a530e773066f453d1f"
      "5b4c2e9cf7820283f742b9d5");
  const signature::PublicKey ownKey = signature::PublicKey::FromHex(
      "c19019a0c08155fd2fcca0412cb349a4bce49a9ef9eac07977761f88127da2dbd604c1a379858ca1494c112de4b8a70baa1c"
      "7dc865614782a2ac1783c49d48ad1328892fd824e69ec3d28dece8183aa0a72db25a1e73832fe0231b16fc20546d34824d1060"
      "968b1b6e700309065dd8bc299cfb12c02c321248870d69f6bb4331b6907a37494a0f5b4acd8ca9f77bc39b56d59c5b0fb31a1c"
      "f9a6afcfc795dc061dca03cd2e5b19ba6066a12e045128be4041220fda0739c873b91a6b433af448f34f7206e095578fe38fdd"
      "2a2ada96ead7c8e3f600efe80faf57a34d1934c457b9d2a63c4defd00051a91302df7bdaf14eec3bead0ff86369842fdfbe582"
      "dc45");
  const struct {
    int id;
    const char* message;
    const char* sig;
    bool valid;
    const signature::PublicKey* key = nullptr;  // none: the Wycheproof key
  } rows[] = {
      {1, "",
       "840f5dac53106dd1f9c57219224cf51289290c42f20466875ba8e830ac5690e541536fcc8ab03b731f82bf66d83f194e7e180b39"
       "63ec7a2f3f7904a7ce49aed47da4d4b79421eaf937d301b3e696169297b797c32c076a12be4de0b58e003c5123051a84a10c62"
       "f8dac2f42a8640008eb3c7cccd6760ff5b51b689763922582845f048fb8150e5a7a6ca2eccc7bdc85349ad5b26c52137a79fa3"
       "fe5c29ab5cd7615013219c1941b6708e9c3c23feff5febaf0c8ebca5750b54e3e6e99a3e876b396f27860b7f3ec4e9191703c6"
       "332d944f6f69751167680c79c4f6b57f1cc8755d24b6ec158ccdbacdb23107a33cb6b332516c13274d1f9dccc21dced869e486",
       true},
      {3, "54657374",
       "264491e844c119f14e425c03282139a558dcdaeb82a4628173cd407fd319f9076eaebc0dd87a1c22e4d17839096886d58a9d5b"
       "7f7aeb63efec56c45ac7bead4203b6886e1faa90e028ec0ae094d46bf3f97efdd19045cfbc25a1abda2432639f9876405c0d68"
       "f8edbf047c12a454f7681d5d5a2b54bd3723d193dbad4338baad753264006e2d08931c4b8bb79aa1c9cad10eb6605f87c5831f"
       "6e2b08e002f9c6f21141f5841d92727dd3e1d99c36bc560da3c9067df99fcaf818941f72588be33032bad22caf6704223bb114"
       "d575b6d02d9d222b580005d930e8f40cce9f672eebb634a20177d84351627964b83f2053d736a84ab1a005f63bd5ba943de6205c",
       true},
      {7, "e0e1e2e3e4e5e6e7e8e9eaebecedeeeff0f1f2f3f4f5f6f7f8f9fafbfcfdfeff",
       "2ae8d95b19cbd64d0e343ff413fffb85d8e6713c06ac8a1ceba7f3924fa740f8d2b3e120fd71f22711e795cd6468c5e263b1a5"
       "ba6ac6b8fa9e23d2d6e7243f510592a61d134e68b8ead00612dbf38c5b7302abc3bf33f23e6d4816a6e3ddcea6482566e84f57"
       "464f7d56de4cef0b2256ef21874dda4c131a47292ff8ef853f93804483c8e6373d39ca3a22552e75427b812b861de6a310ff4c"
       "366f6f6604116efd9770170aa423554c4ebbd2b5c0698950e66bb5b7c5c346285d9f5c35146255736b6e818e8e77983c93b21e"
       "7f60b04a7a525598e7fd8049b181000bffc7f3753a504370f6bb70617ac8e914deb05a198a5758a459c9fcd2fce1aede48e8a852",
       true},
      {8, "313233343030",  // DigestInfo without the NULL parameter
       "095dad1fd82bcd36652a381b7f4dd656bd89b40aa58b56da4f6aa8247874b935e65d2b86752d537df7103884d39dd9ad3d65f8"
       "7404526b09094c5615c6249979b0dc58d2199ae8696a5b76b4bb03eaf08c2ab6aec686c6b1b289c9b44f648bd30cb1ac6a64a7"
       "3d68e59cd05e7aa1b780f4bfd7b83dfe3b884ec11821a93dc5bbb47a00eea4557b6b96b5656276001f1f295ddbbbc511a99b9a"
       "665b9c2674c8af0d812286d0be3ce74817ba2cad283757de35dfb149f2835f60cb03ff155524a57f78b148feceb84cd20b0ae2"
       "2e3e48f433fbd9bfd60be8afec93165ee0310be961d3695f309d031320c830aa6ba08b5a51d943797097c57630be391bd23736cc",
       false},
      {9, "313233343030",  // long form of a DER length
       "8a0e82d4f334aca72a718b6f8f643f69c6048d619d5eba71263a5d2d3ac7a7af133b780c7595ca2c982c006e861948f543cd02"
       "10c758691f9626842c25de2843ea314ca8eff285d47e0cffa54180af416004017034962a80a5959c3d3f1bfc154a4824462a93"
       "c014f6dfe920824f414a6e30e0e5944d480b99949ec7bf64c4a7461575933b17d7d6b0178b5192392ace3ed8469e8ac1dacae5"
       "1ad5d3ad73dcb213e056d04596e64d8c0703def3110c7cecc93ba8ac8059f0f3d66b89d8712c62b41d407e4b4a104f4569558b"
       "0290c213cad6d0653898b9df8f4a453ab07d13bfb7598d505abbd0c4987e4f1ac66e1a523e113e370ab7cf990f0cc63f50f4f0a4",
       false},
      {13, "313233343030",  // wrong length of the sequence
       "9947c137ebf7013ea9e41f1ce93fd29022e340e6ade56c1119cd826430acf9833bbc1ed05c1899757a79d3104c9b4133ff0aef"
       "7e1cbeaafc2ada2422bdf9e29926626527f947124d5549d9f4fddb809f84923aa335d331c392a5ae5e29cb0f503e230ce7bff1"
       "14206d5dfd51b812f9ed5448d9100125a8cc2324e560c69f4a492988045c97ab90a2806df900c3b95ab95bd634dd0a50edc531"
       "2eeef6463bc4b62e54261cc67e9cb9caa9a0a7550183c9e03f26bd5c8718dd77f54290b3a27a054d7d3e39e8cb45529d585ac0"
       "e507b8688219d2b8032268020b68d2284f9f743debab5cd47fb3fbd77fdfe3a9d7984b11a37cce190ac89a472578a3332b150f5d",
       false},
      // A key of our own (openssl genpkey, 2048 bits) and the first of the
      // messages "catalogue N" whose signature starts with a zero byte, so
      // that cutting one byte off leaves the same number one byte short.
      {0, "636174616c6f67756520313535",
       "00665d57a2e6a4d9d3ae18373cd833957f0dd27b837d8be77c858b47852dfb0397590bc8d45526f582ed419af08a6248f075"
       "1bbaee58eff9f148aa5ebbc1aa632e3cd94082718fb8586bfd4eff118b2af78074112ee856979e45fe7c0b62fe4db6901111b6"
       "fa778910692d5f61d19368fbc7af7c61e0a13f68837278623ab2ccea862cd2d7cd1bd74580049c7021736e28a071715f738737"
       "abc8ac27a17351cc8cc32a577827a5a08fcbaf6acc652d3dc042791360cb7c507dddf5e9dde0d40e9915c233ac6e8011993639"
       "592fc5b02c37fe4ad878e14179d826ba59f8c12ee0eee0dcdc617f3be51093e2571855ab264534c9e5adbcbac440cfa51b4954"
       "787c",
       true, &ownKey},
  };
  int shiftedRows = 0;
  for (const auto& row : rows) {
    const signature::PublicKey& rowKey = row.key != nullptr ? *row.key : key;
    const std::string message = FromHex(row.message);
    const std::string sig = FromHex(row.sig);
    EXPECT_EQ(signature::VerifyWithAny({rowKey}, message, sig), row.valid) << "tcId " << row.id;
    if (!row.valid) continue;
    // The same signature over another message, cut short, grown, or shifted
    // by the modulus: refused.
    EXPECT_FALSE(signature::VerifyWithAny({rowKey}, message + "x", sig)) << "tcId " << row.id;
    EXPECT_FALSE(signature::VerifyWithAny({rowKey}, message, sig.substr(1))) << "tcId " << row.id;
    EXPECT_FALSE(signature::VerifyWithAny({rowKey}, message, std::string(1, '\0') + sig)) << "tcId " << row.id;
    const std::string shifted = PlusModulus(sig, rowKey.modulus);
    if (!shifted.empty()) {
      EXPECT_FALSE(signature::VerifyWithAny({rowKey}, message, shifted)) << "tcId " << row.id;
      ++shiftedRows;
    }
    std::string flipped = sig;
    flipped[100] ^= 0x01;
    EXPECT_FALSE(signature::VerifyWithAny({rowKey}, message, flipped)) << "tcId " << row.id;
    EXPECT_FALSE(signature::VerifyWithAny({}, message, sig)) << "no key trusts nothing";
  }
  EXPECT_EQ(shiftedRows, 3) << "the valid signatures that stay as long with the modulus added";
  // The modulus itself (not below the modulus) and keys that are not keys.
  const std::string modulus(key.modulus.begin() + 1, key.modulus.end());
  EXPECT_FALSE(signature::VerifyWithAny({key}, "", modulus));
  signature::PublicKey even = key;
  even.modulus.back() ^= 1;
  EXPECT_FALSE(signature::VerifyWithAny({even}, "", FromHex(rows[0].sig)));
  EXPECT_TRUE(signature::PublicKey::FromHex("12 4").modulus.empty());
  // Key sizes in bits, the top byte's leading zero bits not counted.
  const struct {
    std::string modulus;
    bool usable;
  } sizes[] = {
      {"7f" + std::string(510, 'f'), false},                // 2047 bits in 256 bytes
      {std::string("0080") + std::string(509, '0') + "1", true},  // 2048 bits after a zero byte
      {"03" + std::string(512, 'f'), true},                 // 2050 bits in 257 bytes
      {"01" + std::string(1024, 'f'), false},               // 4097 bits
  };
  for (const auto& row : sizes) {
    EXPECT_EQ(signature::IsUsableKey(signature::PublicKey::FromHex(row.modulus)), row.usable) << row.modulus;
  }
}

// ------------------------------------------------ the catalogue's policy

class OneDrive : public scsi::DriveIdentification {
 public:
  int DriveCount() const override { return 1; }
  void SelectDrive(int) override {}
  bool IdentifyDrive(int, std::string& model, std::string& revision, std::string& dateCode) override {
    model = "QX-1234A";
    revision = "1.20";
    dateCode = "030101";
    return true;
  }
};

const std::string kTree = std::string(SIGNED_TREE) + "/pub/VORN/cdrom/";

struct Loaded {
  bool result;
  bool refused;
  bool replayed;
  std::vector<std::string> versions;
  std::vector<std::string> hashes;
};

// Loads `catalogue` with `sig` beside it (none when null) through the build's
// trusted keys, or without any key, holding it to `acceptedSerial`.
Loaded LoadWith(const std::string& catalogue, const std::string* sig, bool withKeys,
                std::uint64_t acceptedSerial = 0) {
  const std::string path = testing::TempDir() + "signed-odd.idx";
  WriteFile(path, catalogue);
  platform::RemoveFile(SignaturePathFor(path));
  if (sig != nullptr) WriteFile(SignaturePathFor(path), *sig);
  catalogue::FirmwareCatalogue model;
  if (!withKeys) model.trustedKeys.clear();
  OneDrive drive;
  model.BuildModelList(drive);
  model.acceptedSerial = acceptedSerial;
  Loaded loaded{model.LoadCatalogue(path), model.signatureRefused, model.replayRefused, {}, {}};
  EXPECT_FALSE(platform::FileExists(path));
  EXPECT_FALSE(platform::FileExists(SignaturePathFor(path)));
  for (const catalogue::FirmwareItem& item : model.models.front().items) {
    loaded.versions.push_back(item.version);
    loaded.hashes.push_back(item.sha256);
  }
  return loaded;
}

TEST(SignedCatalogue, OnlyTheMakersExactBytesAreUsedAndOnlyHashedEntriesOffered) {
  ScopedLanguage language(1033);
  const std::string catalogue = ReadFile(kTree + "odd.idx");
  const std::string sig = ReadFile(kTree + "odd.idx.sig");
  const std::string otherSig = ReadFile(kTree + "odd.idx.other-sig");
  ASSERT_FALSE(catalogue.empty());
  ASSERT_EQ(sig.size(), otherSig.size());
  std::string changed = catalogue;
  changed[changed.find("1.31") + 3] = '2';  // one byte: 1.31 becomes 1.32
  const std::string empty, oversize = changed + std::string(catalogue::kMaxCatalogueBytes + 1 - changed.size(), ' ');
  const std::vector<std::string> hashedOnes{"1.30", "1.31"};
  const std::uint64_t serial = catalogue::ReadCatalogueIssue(catalogue).serial;  // the tools' first: 1
  ASSERT_EQ(serial, 1u);
  const struct {
    const char* name;
    const std::string& catalogue;
    const std::string* sig;
    bool withKeys;
    bool result;
    bool refused;
    std::vector<std::string> versions;
    std::uint64_t acceptedSerial = 0;
    bool replayed = false;
  } rows[] = {
      {"signed by the maker", catalogue, &sig, true, true, false, hashedOnes},
      {"one byte changed", changed, &sig, true, false, true, {}},
      {"signature missing", catalogue, nullptr, true, false, true, {}},
      {"signature empty", catalogue, &empty, true, false, true, {}},
      {"signed with another key", catalogue, &otherSig, true, false, true, {}},
      {"no key built in: unsigned and unhashed are used", changed, nullptr, false, true, false,
       {"1.30", "1.32", "1.40"}},
      {"an older serial than one accepted", catalogue, &sig, true, false, false, {}, serial + 1, true},
      {"the serial accepted before", catalogue, &sig, true, true, false, hashedOnes, serial},
      {"no key built in: serials are not held", changed, nullptr, false, true, false,
       {"1.30", "1.32", "1.40"}, serial + 1},
      {"larger than a catalogue may be", oversize, nullptr, false, false, false, {}},
  };
  for (const auto& row : rows) {
    const Loaded loaded = LoadWith(row.catalogue, row.sig, row.withKeys, row.acceptedSerial);
    EXPECT_EQ(loaded.result, row.result) << row.name;
    EXPECT_EQ(loaded.refused, row.refused) << row.name;
    EXPECT_EQ(loaded.replayed, row.replayed) << row.name;
    EXPECT_EQ(loaded.versions, row.versions) << row.name;
  }

  // The offered items carry the hashes of the files the tools published.
  const Loaded good = LoadWith(catalogue, &sig, true);
  ASSERT_EQ(good.hashes.size(), 2u);
  EXPECT_EQ(good.hashes[0], sha256::ToHex(sha256::Of(ReadFile(kTree + "QX-1234A/a.zip"))));
  EXPECT_EQ(good.hashes[1], sha256::ToHex(sha256::Of(ReadFile(kTree + "QX-1234A/b.zip"))));
}

// A reader that predates "<sha256>" sees it and its value as two unknown
// tokens. The same catalogue with the tag spelt in a way this reader does not
// know gives the same entries, so old readers keep their reading of it.
TEST(SignedCatalogue, UnknownHashTagAndValueArePassedOver) {
  ScopedLanguage language(1033);
  std::string catalogue = ReadFile(kTree + "odd.idx");
  const Loaded current = LoadWith(catalogue, nullptr, false);
  for (std::string::size_type at; (at = catalogue.find("<sha256>")) != std::string::npos;) {
    catalogue.replace(at, 8, "<SHA256>");
  }
  const Loaded old = LoadWith(catalogue, nullptr, false);
  EXPECT_TRUE(old.result);
  EXPECT_EQ(old.versions, current.versions);
  EXPECT_EQ(old.versions, (std::vector<std::string>{"1.30", "1.31", "1.40"}));
  EXPECT_EQ(old.hashes, std::vector<std::string>(3));
}

}  // namespace
