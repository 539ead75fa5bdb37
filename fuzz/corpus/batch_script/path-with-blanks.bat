C:\Program Files\Quenlix\Assistant & Co (1).exe
