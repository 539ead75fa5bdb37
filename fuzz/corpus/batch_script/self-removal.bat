:Loesche
del "C:\Program Files\Quenlix\QuenlixMailAssistant.exe"
if Exist "C:\Program Files\Quenlix\QuenlixMailAssistant.exe" goto Loesche
del C:\DOCUME~1\User\LOCALS~1\Temp\sEM1A.bat
