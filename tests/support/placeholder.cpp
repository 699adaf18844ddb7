// Support code shared by the tests lives in this folder.
