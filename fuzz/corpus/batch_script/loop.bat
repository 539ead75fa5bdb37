:again
if exist present.lock goto again
erase present.lock,other.txt;third.txt
