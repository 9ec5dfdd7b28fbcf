// Runs the developer tool velkexpr (built beside the test folder) and checks its output contract.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

const char* kTool = "../velkexpr";

struct Output {
  std::string out;
  int status = -1;
};

Output run(const std::string& args) {
  Output r;
  FILE* p = popen((std::string(kTool) + " " + args + " 2>/dev/null").c_str(), "r");
  if (p == nullptr) return r;
  char buf[256];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), p)) > 0) r.out.append(buf, n);
  int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

TEST(VelkexprTool, PrintsChangedVariablesAndTheResult) {
  if (access(kTool, X_OK) != 0) GTEST_SKIP() << "velkexpr is not built";
  EXPECT_EQ(run("'1 + 2 * 3'").out, "= int 7\n");
  EXPECT_EQ(run("'7.0 / 2'").out, "= float 3.5\n");
  EXPECT_EQ(run("'1.0 / 3'").out, "= float 0.33333333333333333\n");
  EXPECT_EQ(run("--var a:int=5 'a > 4'").out, "= flag 1\n");
  EXPECT_EQ(run("--var a:string=x --var b:int=1 'a ++ b'").out, "= string x1\n");
  EXPECT_EQ(run("--var a:int=0 --var b:flag=TRUE 'a = 3'").out, "a:int=3\n= none\n");
  EXPECT_EQ(run("--var 'm:int[2,2]=0' 'm[1, 1] = 9'").out, "m:int[2,2]={0,0,0,9}\n= none\n");
  EXPECT_EQ(run("--var f:flag=1 'f'").out, "= flag 1\n");
  EXPECT_EQ(run("--var f:flag=0 --var g:flag=true 'f ++ g'").out, "= string FALSETRUE\n");
  EXPECT_EQ(run("--var f:flag=0 'f'").out, "= flag 0\n");
  EXPECT_EQ(run("--var 'f:flag[2]=1' 'f[1]'").out, "= flag 1\n");
  EXPECT_EQ(run("--var f:flag=maybe 'f'").status, 1);
  EXPECT_EQ(run("'1 / 0'").out, "= none\n");
  EXPECT_EQ(run("'Max(Min(1, 2), 3)'").out, "= int 3\n");
  EXPECT_EQ(run("--var 's:string=あ' 's ++ \"\\n\"'").out, "= string あ\\r\\n\n");
  EXPECT_EQ(run("--dump '1 + 2 * 3'").out,
            "ocMul ____0 2 3\nocPlus ____1 1 ____0\nocTo ____arg ____1\n"
            "bytes 03 00 00 00 04 05 00 00 00 5f 5f 5f 5f 30 02 00 00 00 01 02 00 00 00 01 03 00 00 00 02 05 00 00 "
            "00 5f 5f 5f 5f 31 02 00 00 00 01 01 00 00 00 00 05 00 00 00 5f 5f 5f 5f 30 01 07 00 00 00 5f 5f 5f 5f "
            "61 72 67 01 00 00 00 00 05 00 00 00 5f 5f 5f 5f 31\n= int 7\n");
  Output bad = run("'(1'");
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.out, "");
}

}  // namespace
