# Mozilla User Preferences
user_pref("mail.server.server2.name", "a\", b");
user_pref("mail.server.server2.name", "x); y");
  user_pref( "n.bool" ,TRUE ) ;
user_pref("n.int", -9223372036854775808);
user_pref("n.big", 99999999999999999999);
user_pref("n.word", nonsense);
// user_pref("commented.out", 1);
user_pref("n.backslash", "\\");
user_pref("n.unicode", "\u00e9\ud83d\ude00\x41");
user_pref("N.INT", 7);
user_pref("open", "no end);
pref("default.style", 1);
user_pref("n.empty", "");
