#include <gtest/gtest.h>

#include "QueueTestSupport.h"
#include "platform/MessageIds.h"
#include "transfer/FileQueue.h"

TEST(FileQueueSmoke, AddRemoveWritesFile) {
  TempFolder dir;
  std::string path = dir.File("q.TWQ");
  {
    CFileQueue q;
    q.SetFile(path);
    q.Add(Entry("a"));
    q.Add(Entry("b"));
    EXPECT_EQ(q.Size(), 2u);
    EXPECT_EQ(q.Remove(Entry("a")), 1);
  }
  EXPECT_EQ(ReadBytes(path), Bytes(Entry("b")));
}
