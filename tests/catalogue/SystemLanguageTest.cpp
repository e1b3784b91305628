// Run under Wine with LC_ALL=zh_TW.UTF-8: items take the Chinese language from
// the system itself, with no override, and read the Chinese description.
#include <gtest/gtest.h>

#include "catalogue/CatalogueReader.h"
#include "catalogue/FirmwareItem.h"

TEST(SystemLanguage, TaiwanLocaleMakesChineseItems) {
  catalogue::CatalogueReader reader;
  reader.OpenBytes("<description> 1 zh <eng_description> 1 en <~item>");
  catalogue::FirmwareItem item;
  EXPECT_EQ(item.language, catalogue::kChineseTaiwan);
  EXPECT_EQ(catalogue::ParseItem(item, reader), catalogue::ItemEnd);
  EXPECT_EQ(item.description, std::vector<std::string>{"1 zh "});
  EXPECT_EQ(item.ConfirmationText().substr(0, 2), "\xB7\x73");  // first character in code page 950
}
