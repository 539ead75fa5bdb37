#include "ToolHelp.h"

namespace accounts_tool {

std::string HelpText() {
    return R"HELP(quenlix-accounts: puts an account of Quenlix mail into a mail client, or brings one
up to date, exactly as the Quenlix Mail Assistant's setup page does after the login check.
For provider support staff: it does NOT check the mailbox name and password with the mail
service, so make sure they are right.

Usage:
  quenlix-accounts list [--json]
  quenlix-accounts add --client CLIENT --name NAME --mailbox MAILBOX --password-stdin
                       [--default] [--dry-run]
  quenlix-accounts adapt --client CLIENT (--address ADDRESS | --key KEY)
                       --name NAME --mailbox MAILBOX --password-stdin
                       [--default | --no-default] [--dry-run]
  quenlix-accounts help

Commands:
  list    every installed mail client with its profiles and accounts; "Quenlix" marks the
          provider's accounts, "*" the profile the assistant works with
  add     a new POP3 account of Quenlix mail in the client's profile
  adapt   an existing Quenlix mail POP3 account of the client's profile, found by its address
          or its key (both as "list" shows them), changed in place

Options:
  --client CLIENT     thunderbird, outlook-express, outlook, windows-mail or windows-live-mail
                      (outlook: Outlook 2002/2003/2007 when installed, else Outlook 98/2000)
  --name NAME         the person's name, shown as the sender
  --mailbox MAILBOX   the mailbox name; the address is MAILBOX@quenlix.example
  --password-stdin    read the password as the first line of standard input. The password is
                      never taken from the command line, where other users and programs can
                      read it (process lists, shell history, logs). Example:
                        printf '%s\n' "$PASSWORD" | quenlix-accounts add ... --password-stdin
  --default           make the account the client's default account
  --no-default        (adapt) take the default mark away; without either option adapt keeps the
                      account's mark. The only account of a profile always becomes the default.
  --dry-run           show what would change (files, registry keys and values; passwords shown
                      as "(password)") and write nothing
  --json              (list) one line of JSON for scripts
  --verbose           also show the assistant's log on standard error

Thunderbird must be closed before its accounts are written; the other clients may be running.

Exit codes:
  0  done (after --dry-run: the changes were shown and nothing was written)
  1  the command line is wrong or incomplete, or no password came on standard input
  2  the client is not installed or has no profile, or the account was not found, is not
     unique, or cannot be adapted (not a Quenlix mail POP3 account)
  3  the client is running and must be closed first
  4  the client's configuration could not be written; nothing of it was changed
  5  the Windows system could not be read (on the simulated system: QUENLIX_SYSTEM_ROOT
     does not name its folder), or another error
Errors are written in plain words to standard error.
)HELP";
}

} // namespace accounts_tool
