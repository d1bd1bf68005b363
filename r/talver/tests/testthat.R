library(testthat)
library(talver)

test_check("talver")
